#pragma once
#include "acquisition/Clock.h"
#include "processing/CoreStages.h"
#include "processing/ImageCore.h"

#include <QMainWindow>
#include <memory>

class QScrollArea;
class QWidget;

namespace velumbra {

class ImageView;
class MessageSink;
class TFRM_Alv_Child;
class VideoSourceUi;

// Main window: wires the subsystems to their controls; holds none of their logic.
class TFRM_Alv : public QMainWindow, private PipelineView {
    Q_OBJECT
public:
    explicit TFRM_Alv(QWidget* parent = nullptr);
    ~TFRM_Alv() override;

    ImageCore& core() { return core_; }
    ImageView* image1() const { return image1_; }
    void setResultWindow(TFRM_Alv_Child* child);

    // Shows a frame that a source placed in slot 0 at the given size.
    bool showNewFrame(int width, int height);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // PipelineView
    void repaintDisplay() override;
    void repaintResult() override;

    void FormActivate();
    void wireVideoSource();

    SystemClock clock_;
    ImageCore core_{clock_};
    CoreStages stages_{core_};
    QScrollArea* SBX_Images = nullptr;
    ImageView* image1_ = nullptr;
    TFRM_Alv_Child* child_ = nullptr;
    bool shellInitialised_ = false;
    // Video source: declared last so it goes before the image core it feeds.
    std::unique_ptr<MessageSink> videoMessages_;
    std::unique_ptr<VideoSourceUi> videoSource_;
};

} // namespace velumbra
