#pragma once
#include "core/Clock.h"
#include "core/Messages.h"
#include "results/FitsFile.h"
#include "results/ParameterRecord.h"
#include "results/ResultClicks.h"
#include "results/SaveScheduler.h"

#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace velumbra {

class ImageView;
class TNumInp;
struct ImageCore;
class PipelineStages;

// Result window "Fenêtre d'intégration": shows the result image, moves the
// zones on clicks in it, and saves it by hand or on a schedule.
class TFRM_Alv_Child : public QWidget, private SavingView {
    Q_OBJECT
public:
    explicit TFRM_Alv_Child(QWidget* parent = nullptr);
    // Saving timers and time chosen by the caller (tests drive them by hand).
    TFRM_Alv_Child(const Clock& clock, SaveScheduler::Timers timers, QWidget* parent = nullptr);
    ~TFRM_Alv_Child() override;

    void setImage(const QImage* image, int width, int height);
    // The display-zone sizing changed the result size.
    void setResultSize(int width, int height);
    void refresh();
    ImageView* image3() const { return image3_; }

    // Clicks move the zones of this core; records read its state.
    void attachCore(ImageCore* core, PipelineStages* stages);
    void setMessageSink(MessageSink* sink);
    void setClickActions(ResultClickActions* actions);
    ResultClicks* clicks() { return clicks_.get(); }
    // Main-window state the clicks read: the live display runs, the zones are linked.
    ResultClickLinks& clickLinks() { return clickLinks_; }
    SaveScheduler& scheduler() { return *scheduler_; }
    FrameCountHook& frameCountHook() { return *scheduler_; }

    // Fills in the record values owned by other windows (thresholds,
    // integration counts, tracking method, long exposures, quality).
    std::function<void(ParameterValues&)> completeParameters;
    // Fills in the FITS keywords of the preferences (focal length, pixel size).
    std::function<void(FitsKeywords&)> completeFitsKeywords;
    // Writes the corrected sums of the last render as a FITS file.
    bool writeResultFits(const QString& path, QString& error) const;
    // The image-folder setting of the preferences: start of the browse
    // dialog, and a new choice moves EDT_Nom_Image into it.
    void setBitmapFolder(const QString& folder) { bitmapFolder_ = folder; }
    void applyImageFolder(const QString& folder);
    // The save-file dialog; tests replace it. Gets the start folder.
    std::function<QString(const QString&)> chooseImageName;

    ParameterValues gatherParameters() const;

    // The saving controls show the values of scheduler().controls.
    void showSavingControls();
    // The language of the schedule's sentence and of the saving reports.
    void setTexts(const NamedTexts* texts);
    // The sentence under the timed-saving choices, in the chosen language.
    void showSchedule();

    void BTN_Enregistrer_ImageClick();
    void BTN_Demarrer_SauvClick();
    void BTN_Arreter_SauvClick();
    void BTN_ParcourirClick();

    // An operation puts the window out of the way (minimised) while it runs
    // and brings it back when it ends; a window the user minimised stays so.
    void minimiseForOperation();
    void restoreAfterOperation();

signals:
    // Automatic saving started or stopped.
    void savingRunChanged(bool running);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // SavingView
    void numberChanged(int number) override;
    void runStateChanged() override;

    void build();
    QWidget* buildFilesBox();
    QWidget* buildSequenceBox();
    QWidget* buildPages();
    QWidget* buildSpecialPage();
    void connectControls();
    void updateEnabling();
    void EDT_Nom_ImageExit();
    void Image3MouseUp(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void Image3MouseMove(QPoint at);

    const Clock* clock_;
    std::unique_ptr<MessageSink> logMessages_;
    MessageSink* messages_ = nullptr;
    std::unique_ptr<SaveScheduler> scheduler_;
    ResultClickActions noActions_;
    ResultClickActions* actions_ = &noActions_;
    ResultClickLinks clickLinks_;
    std::unique_ptr<ResultClicks> clicks_;
    ImageCore* core_ = nullptr;
    QString bitmapFolder_;
    int width_ = 0;
    int height_ = 0;
    bool minimisedForOperation_ = false;

    ImageView* image3_ = nullptr;
    QLineEdit* EDT_Nom_Image = nullptr;
    QPushButton* BTN_Parcourir = nullptr;
    QLineEdit* EDT_Taille_Fichier = nullptr;
    TNumInp* TNI_Num_Suffixe = nullptr;
    QCheckBox* CKB_Longueur_Fixe = nullptr;
    TNumInp* TNI_Longueur_Sequence = nullptr;
    QCheckBox* CKB_Enreg_Params = nullptr;
    QCheckBox* CKB_Un_seul_fichier = nullptr;
    QTabWidget* PGC_Child = nullptr;
    QPushButton* BTN_Enregistrer_Image = nullptr;
    QSpinBox* SPED_Freq_Sauve = nullptr;
    QComboBox* CBX_Unite = nullptr;
    QRadioButton* RDB_Une_Fois = nullptr;
    QRadioButton* RDB_Toutes_les = nullptr;
    QSpinBox* SPED_Toutes_les = nullptr;
    QComboBox* CBX_Toutes_les = nullptr;
    QRadioButton* RDB_Arret = nullptr;
    QRadioButton* RDB_Pendant = nullptr;
    QSpinBox* SPED_Pendant = nullptr;
    QComboBox* CBX_Pendant = nullptr;
    QPushButton* BTN_Demarrer_Sauv = nullptr;
    QPushButton* BTN_Arreter_Sauv = nullptr;
    QRadioButton* RDB_Video_SER = nullptr;
    QComboBox* CBX_Format = nullptr;
    QLabel* LBL_Serie = nullptr;
    QLabel* LBL_Duree = nullptr;
    QLabel* LBL_Resume_Sauvegarde = nullptr; // the schedule the choices make, in words
    const NamedTexts* texts_ = &NamedTexts::builtIn();
};

} // namespace velumbra
