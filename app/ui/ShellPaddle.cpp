#include "app/ui/ShellPaddle.h"
#include "app/ui/ShellGuiding.h"
#include "app/ui/ShellSettings.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/FocusPanel.h"
#include "processing/ui/MeasuresUi.h"
#include "settings/ui/TFRM_Pref.h"
#include "telescope/MountControls.h"
#include "telescope/ui/PNL_Autoguidage.h"
#include "telescope/ui/TFRM_Raquette.h"

#include <QCheckBox>

namespace velumbra {

ShellPaddle::ShellPaddle(TFRM_Alv& main, TFRM_Pref& pref, ShellGuiding& guiding, TFRM_Raquette& paddle)
    : main_(main), pref_(pref), paddle_(paddle)
{
    paddle_.endAutoguiding = [&guiding] { guiding.panel()->CKB_Autoguidage->setChecked(false); };
    paddle_.onFocusMeasure = [this](bool on) {
        FocusPanel* focus = main_.measures()->focusPage();
        focus->CKB_MAP->setChecked(on);
        focus->CKB_MAPClick();
    };
    paddle_.onAutoThreshold = [this](bool on) {
        FocusPanel* focus = main_.measures()->focusPage();
        if (on) {
            userAutoThreshold_ = focus->CKB_FWHM_Auto->isChecked();
            focus->CKB_FWHM_Auto->setChecked(true);
        } else {
            focus->CKB_FWHM_Auto->setChecked(userAutoThreshold_);
        }
        focus->CKB_FWHM_AutoClick();
    };
    paddle_.setTexts(&main_.texts());
    paddle_.onMessage = [this](const QString& text) { main_.showMessage(false, text); };
    paddle_.autofocusSettings = [this] {
        const AutoFocusPrefs& p = main_.settings().prefs().autoFocus;
        return AutofocusSettings{p.SPED_Tps_Base_Autofocus, p.TNI_FWHM_Stop};
    };
    main_.core().focus.setAutofocus(&paddle_.autofocus());

    showInterface();
    connect(&pref_, &TFRM_Pref::interfaceChosen, this, [this](MountInterface chosen) {
        paddle_.setLx200Controls(interfaceControlsFor(chosen).paddleLx200Controls);
        paddle_.setIndiControls(chosen == MountInterface::Indi);
    });
    connect(&main_, &TFRM_Alv::settingsLoaded, this, &ShellPaddle::showInterface);
}

ShellPaddle::~ShellPaddle()
{
    main_.core().focus.setAutofocus(nullptr);
    paddle_.endAutoguiding = nullptr;
    paddle_.onFocusMeasure = nullptr;
    paddle_.onAutoThreshold = nullptr;
    paddle_.setTexts(nullptr);
    paddle_.onMessage = nullptr;
    paddle_.autofocusSettings = nullptr;
}

void ShellPaddle::showInterface()
{
    const MountInterface chosen = main_.settings().prefs().autoguide.interface;
    paddle_.setLx200Controls(interfaceControlsFor(chosen).paddleLx200Controls);
    paddle_.setIndiControls(chosen == MountInterface::Indi);
}

} // namespace velumbra
