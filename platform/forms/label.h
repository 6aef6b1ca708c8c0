#pragma once
// Labels: transparent text that can size itself to its caption, centred or left-aligned,
// with click and pointer-move events.

#include <QLabel>
#include <cstdint>

namespace stillmar::forms {

class Label : public QLabel {
    Q_OBJECT
  public:
    explicit Label(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    // With AutoSize on, the label takes its caption's size; a centred label keeps its centre.
    void setCaption(const QString& caption);
    void setAutoSize(bool on);
    bool AutoSize() const { return autoSize_; }
    void setCentered(bool on);
    void setForeColor(uint32_t bgr);

  signals:
    void click();
    void mouseMove(int button, int shift, double x, double y);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void fit();

    bool autoSize_ = false;
    bool pressedLeft_ = false;
};

}  // namespace stillmar::forms
