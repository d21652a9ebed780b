#pragma once
#include <QString>

namespace velumbra {

// 0 East, 1 West (the RA axis), 2 North, 3 South (the Dec axis).
enum MoveDirection { East = 0, West = 1, North = 2, South = 3 };

// The amount that means: move until stopped. Compared exactly.
inline constexpr double CONTINUOUS_MOVE = 999999;

// Indi: the mount of the INDI server (IndiMountLink).
// NoneChecked: none of the stored buttons is checked (the clocked box was
// chosen before a restart); the telescope controls are offered, nothing is sent.
enum class MountInterface { Aucun, LX200, Tolvir, Varnek, Dremla, Indi, NoneChecked };

// The Preferences controls the mount layer reads on every request, named
// after the controls. The window that owns a control writes its value here
// in the control's change handler; defaults are those of a missing setting.
struct MountSettings {
    // Group "Monture": RDB_Aucun, RDB_LX200, RDB_Tolvir, RDB_Varnek, RDB_Dremla.
    MountInterface interface = MountInterface::Aucun;

    // Serial line ("Interface de controle (Serie)"). The item as the list
    // shows it ("$03F8 (COM1)", "       COM3", a /dev/serial/by-id name or
    // a typed path); the device it stands for is found from it
    // (serialPortItemOf) unless serialDevicePath names one.
    QString CBX_AG_PortSerie = QStringLiteral("$03F8 (COM1)");
    QString serialDevicePath;
    QString CBX_AG_Vitesse = QStringLiteral("9600");
    QString CBX_AG_Parite = QStringLiteral("Aucune");
    QString CBX_AG_Databits = QStringLiteral("8");
    QString CBX_AG_StopBits = QStringLiteral("1");
    bool CKB_CR = false;
    bool CKB_LF = false;
    bool CKB_Historique_Comm = false; // "Comm. Traffic."

    // Parallel box ("Interface de contrôle (Parallele)"): the item, whose
    // first four characters are the port address.
    QString CBX_AG_PortParallele = QStringLiteral("$378 (LPT1)");
    // Pin (2..9) and active value (0 or 1) of each direction.
    int TNI_Bit_Est = 6, TNI_Bit_Ouest = 7, TNI_Bit_Nord = 8, TNI_Bit_Sud = 9;
    int TNI_Est_ActiveValue = 1, TNI_Ouest_ActiveValue = 1, TNI_Nord_ActiveValue = 1, TNI_Sud_ActiveValue = 1;
    // The focuser's pins are fixed (1 and 14); only their active values change.
    int TNI_Focus_In_Activevalue = 1, TNI_Focus_Out_Activevalue = 1;

    // "Vitesse des moteurs (Sec.Arc/seconde)".
    double TNI_Vitesse_Est = 5.0, TNI_Vitesse_Ouest = 5.0, TNI_Vitesse_Nord = 5.0, TNI_Vitesse_Sud = 5.0;

    // Inertia compensation: a time, a percentage, or (neither chosen) none.
    bool RDB_Temps_Inertie = false;
    bool RDB_Pourcent_Inertie = true;
    double TNI_Tps_Inertie = 100; // ms
    int SPED_Pourcent_Inertie = 20;

    int SPED_Duree_impulsions = 200; // ms, the serial box's pulse in a continuous move

    bool CKB_InverseAD = false;
    bool CKB_InverseDEC = false;

    // The hand paddle's rate (RDB_Guide 0, RDB_Cntr 1, RDB_Find 2, RDB_Slew 3),
    // sent when the link comes up.
    int paddleRate = 0;
};

} // namespace velumbra
