#pragma once
#include <QWidget>

namespace velumbra {

// Shows the top-left imageSize() part of a bitmap without copying it.
class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    void setSource(const QImage* image, QSize shownSize);
    void setShownSize(QSize size);
    QSize shownSize() const { return shown_; }
    QSize sizeHint() const override { return shown_; }
    // The night mode's red image instead of the image's own colours.
    void setRedTint(bool on);
    bool redTinted() const { return redTint_; }

signals:
    void mouseReleased(QPoint position, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void mouseMoved(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const QImage* image_ = nullptr;
    QSize shown_{0, 0};
    bool redTint_ = false;
    QImage tinted_; // the red image, kept from one frame to the next
};

} // namespace velumbra
