#pragma once
#include <QWidget>

namespace velumbra {

class ImageView;

// Result window "Fenêtre d'intégration": shows the result image.
class TFRM_Alv_Child : public QWidget {
    Q_OBJECT
public:
    explicit TFRM_Alv_Child(QWidget* parent = nullptr);
    void setImage(const QImage* image, int width, int height);
    void refresh();
    ImageView* image3() const { return image3_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ImageView* image3_ = nullptr;
};

} // namespace velumbra
