#pragma once
#include <QObject>

namespace velumbra {

class TFRM_Alv;
class TFRM_Info;

// Wires the information window to the main window: "Info. Img." shows it,
// closing it clears the box, the pointer over the live or the result image
// feeds its pixel readout, and the frame routine feeds its histogram.
class ShellInfo : public QObject {
    Q_OBJECT
public:
    ShellInfo(TFRM_Alv& main, TFRM_Info& info);
    ~ShellInfo() override;

private:
    TFRM_Alv& main_;
};

} // namespace velumbra
