// A first start without a settings file shows the values the file's readers
// use for a missing key, so the controls start at those values too.
#include "acquisition/control/VideoSource.h"
#include "processing/PipelineControls.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"
#include "settings/Optics.h"

#include <gtest/gtest.h>

namespace velumbra::test {
namespace {

TEST(ControlDefaults, EveryControlStartsAtItsMissingKeyValue)
{
    const PipelineControls pipeline;
    const ThresholdControls& seuils = pipeline.GRB_Seuils;
    const VideoSourceControls video;
    const SavingControls saving;
    const ResultClickLinks links;
    const OpticsControls optics;
    const CameraControls camera;

    struct Case {
        const char* key; // section/key of the settings file
        double missing;  // value read when the key is missing
        double initial;  // the control's value before any read
    };
    const Case cases[] = {
        {"Prefs/Longueur_Fixe", 0, double(saving.CKB_Longueur_Fixe)},
        {"Prefs/Longueur_Sequence", 4, saving.TNI_Longueur_Sequence},
        {"Prefs/Enreg_Params_Image", 0, double(saving.CKB_Enreg_Params)},
        {"Prefs/Format_Image", 0, double(saving.CBX_Format)},
        {"Prefs/Nom_Image is empty", 1, double(saving.EDT_Nom_Image.isEmpty())},
        {"Prefs/Tps_Rafraichissement", 50, video.TNI_Tps_Rafraichissement},
        {"Prefs/CKB_Zones_Liees", 0, double(links.CKB_Zones_Liees)},
        {"Seuils/Seuil_MinMin", 0, seuils.TNI_Seuil_MinMin},
        {"Seuils/Seuil_MaxMin", 0, seuils.TNI_Seuil_MaxMin},
        {"Seuils/Seuil_MinMax", 65535, seuils.TNI_Seuil_MinMax},
        {"Seuils/Seuil_MaxMax", 65535, seuils.TNI_Seuil_MaxMax},
        {"Seuils/Seuil_Min", 0, seuils.TNI_Seuil_Min},
        {"Seuils/Seuil_Min (slider)", 0, double(seuils.SCB_Minimum)},
        {"Seuils/Seuil_Max", 2500, seuils.TNI_Seuil_Max},
        {"Seuils/Seuil_Max (slider)", 2500, double(seuils.SCB_Maximum)},
        {"Seuils/CKB_Seuils_Evol", 1, double(seuils.CKB_Seuils_Evol)},
        {"Autoguide/AG_Intervalle_Guidage", 10, pipeline.SPED_Intervalle_Guidage},
        {"Autoguide/AG_Neutre", 2, double(pipeline.tracking.SPED_Neutre)},
        {"Mire/CKB_Intensite_Max", 0, double(pipeline.CKB_Intensite_Max)},
        {"Mire/CKB_Intensite_Min", 0, double(pipeline.CKB_Intensite_Min)},
        {"Mire/FWHM", 0, double(pipeline.CKB_FWHM)},
        {"Mire/RDB_Carre (square marker)", 0, double(pipeline.markerShape)},
        {"Mire/RDB_Croix (cross centre)", 0, double(pipeline.crossShape)},
        {"Optique/Focale", 2000, optics.TNI_Focale},
        {"Optique/BarlowChecked", 0, double(optics.CKB_Barlow)},
        {"Optique/Barlow", 2.0, optics.TNI_Barlow},
        {"Optique/ReducteurChecked", 0, double(optics.CKB_Reducteur)},
        {"Optique/Reducteur", 0.63, optics.TNI_Reducteur},
        {"Optique/RenvoiCoudeChecked", 0, double(optics.CKB_RenvoiCoude)},
        {"Camera/Larg_Pix", 7.4, camera.TNI_Larg_Pix},
        {"Camera/Haut_Pix", 7.4, camera.TNI_Haut_Pix},
        {"Camera/NbPix_X", 640, camera.TNI_NbPix_X},
        {"Camera/NbPix_Y", 480, camera.TNI_NbPix_Y},
        {"Camera/CKB_RAW.Checked", 0, double(video.CKB_RAW)},
        {"Camera/RDB_RAWMode_1.Checked (mode 1)", 0, double(video.rawMode)},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.initial, c.missing) << c.key;
}

} // namespace
} // namespace velumbra::test
