#pragma once
#include <QMap>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace velumbra {

class IniFile;

// Where the user last put a window: its frame's top-left corner on the
// desktop and, for the windows whose size is kept (the main window), the
// size of its inside. An empty size: the window takes the size of its content.
struct WindowPlace {
    QPoint frameTopLeft;
    QSize size;
    bool operator==(const WindowPlace&) const = default;
};

// The places of the windows, kept in the [Fenetres] section of Velumbra.ini
// under the windows' names: TFRM_Raquette_X, TFRM_Raquette_Y, and for a kept
// size TFRM_Alv_Largeur, TFRM_Alv_Hauteur. Other sections are not touched.
class WindowPositions {
public:
    static constexpr const char* section = "Fenetres";

    // Reads the places of the named windows. A window without both of its
    // coordinates, or with a coordinate no screen could have, has no place;
    // a size out of reason is dropped and the position kept.
    void load(const IniFile& ini, const QStringList& names);
    // Throws IniWriteError when the file cannot be written.
    void save(IniFile& ini) const;

    std::optional<WindowPlace> place(const QString& name) const;
    void setPlace(const QString& name, const WindowPlace& place) { places_.insert(name, place); }
    bool isEmpty() const { return places_.isEmpty(); }

private:
    QMap<QString, WindowPlace> places_;
};

} // namespace velumbra
