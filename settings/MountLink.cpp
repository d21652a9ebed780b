#include "settings/MountLink.h"
#include "settings/StoredNumbers.h"
#include "telescope/LineSettingItems.h"

namespace velumbra {

void applyToMount(const AutoguidePrefs& a, MountSettings& m)
{
    m.interface = a.interface;
    if (a.serialDevice.isEmpty()) {
        m.CBX_AG_PortSerie = choiceAt(serialPortChoices(), a.CBX_AG_PortSerie);
        m.serialDevicePath.clear();
    } else {
        m.CBX_AG_PortSerie = a.serialDevice;
        m.serialDevicePath.clear(); // the device is found from the item's text
    }
    m.CBX_AG_Vitesse = choiceAt(baudRateChoices(), a.CBX_AG_Vitesse);
    m.CBX_AG_Parite = choiceAt(parityChoices(), a.CBX_AG_Parite);
    m.CBX_AG_Databits = choiceAt(dataBitChoices(), a.CBX_AG_Databits);
    m.CBX_AG_StopBits = choiceAt(stopBitChoices(), a.CBX_AG_StopBits);
    m.CKB_CR = a.CKB_CR;
    m.CKB_LF = a.CKB_LF;
    m.CKB_Historique_Comm = a.CKB_Historique_Comm;
    m.CBX_AG_PortParallele = choiceAt(parallelPortChoices(), a.CBX_AG_PortParallele);
    m.TNI_Bit_Est = Stored::Trunc(a.TNI_Bit_Est);
    m.TNI_Bit_Ouest = Stored::Trunc(a.TNI_Bit_Ouest);
    m.TNI_Bit_Nord = Stored::Trunc(a.TNI_Bit_Nord);
    m.TNI_Bit_Sud = Stored::Trunc(a.TNI_Bit_Sud);
    m.TNI_Est_ActiveValue = Stored::Trunc(a.TNI_Est_ActiveValue);
    m.TNI_Ouest_ActiveValue = Stored::Trunc(a.TNI_Ouest_ActiveValue);
    m.TNI_Nord_ActiveValue = Stored::Trunc(a.TNI_Nord_ActiveValue);
    m.TNI_Sud_ActiveValue = Stored::Trunc(a.TNI_Sud_ActiveValue);
    m.TNI_Vitesse_Est = a.TNI_Vitesse_Est;
    m.TNI_Vitesse_Ouest = a.TNI_Vitesse_Ouest;
    m.TNI_Vitesse_Nord = a.TNI_Vitesse_Nord;
    m.TNI_Vitesse_Sud = a.TNI_Vitesse_Sud;
    m.RDB_Temps_Inertie = a.RDB_Temps_Inertie;
    m.RDB_Pourcent_Inertie = a.RDB_Pourcent_Inertie;
    m.TNI_Tps_Inertie = a.TNI_Tps_Inertie;
    m.SPED_Pourcent_Inertie = a.SPED_Pourcent_Inertie;
    m.SPED_Duree_impulsions = a.SPED_Duree_impulsions;
    m.CKB_InverseAD = a.CKB_InverseAD;
    m.CKB_InverseDEC = a.CKB_InverseDEC;
}

} // namespace velumbra
