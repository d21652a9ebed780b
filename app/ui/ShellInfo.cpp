#include "app/ui/ShellInfo.h"
#include "app/ui/TFRM_Alv.h"
#include "processing/ui/TFRM_Info.h"
#include "widgets/ImageView.h"

#include <QCheckBox>

namespace velumbra {

ShellInfo::ShellInfo(TFRM_Alv& main, TFRM_Info& info) : main_(main)
{
    main.stages().setInfoView(&info);
    connect(main.CKB_Info_Image, &QCheckBox::toggled, &info, [&info](bool on) {
        info.setVisible(on);
        if (on) info.raise();
    });
    connect(&info, &TFRM_Info::closed, this, [&main] { main.CKB_Info_Image->setChecked(false); });
    // The pointer over the live image is remembered; the readout runs while "Info. Img." is checked.
    connect(main.image1(), &ImageView::mouseMoved, &info, [&main, &info](QPoint at) {
        info.pointAt({at.x(), at.y()}, 1, main.CKB_Info_Image->isChecked());
    });
    connect(&main, &TFRM_Alv::resultPointed, &info, [&info](Point at) { info.pointAt(at, 3, true); });
}

ShellInfo::~ShellInfo()
{
    main_.stages().setInfoView(nullptr);
}

} // namespace velumbra
