#pragma once
#include <QString>

namespace velumbra {

// How a 16-bit frame becomes the program's 8-bit frame.
enum class IndiDepthMapping { TopBits = 0, Stretch = 1 };

// The camera's options, chosen in the source dialog.
struct IndiCameraOptions {
    double exposureMs = 500;    // Pose_ms
    double gain = -1;           // Gain; below 0: the device's own
    int binning = 1;            // Binning: 1..4, both axes
    // Subframe corner in binned pixels; -1: centred on the sensor.
    int frameX = -1, frameY = -1; // Cadre_X, Cadre_Y
    IndiDepthMapping mapping = IndiDepthMapping::TopBits; // Codage_16
    int stretchLow = 0, stretchHigh = 65535; // Etirement_Bas, Etirement_Haut
};

// The INDI connection and the chosen devices, kept in a section of their own
// of Velumbra.ini ([INDI]); the keys below are its keys.
struct IndiSettings {
    QString host = QStringLiteral("localhost"); // Serveur
    int port = 7624;                             // Port
    QString camera;                              // Camera
    QString mount;                               // Monture
    QString focuser;                             // Focaliseur
    IndiCameraOptions cameraOptions;
    bool mountInterface = false; // Interface_Monture: the mount interface chosen is INDI

    static constexpr const char* section = "INDI";
};

// "HOST[:PORT]" into host and port; false (nothing changed) when the text is
// not one; a missing port leaves the port as it was.
bool parseIndiServer(const QString& text, QString& host, int& port);

} // namespace velumbra
