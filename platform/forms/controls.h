#pragma once
// The check box and the frame of the forms layer.

#include <QCheckBox>
#include <QFrame>
#include <cstdint>

namespace stillmar::forms {

class CheckBox : public QCheckBox {
    Q_OBJECT
  public:
    explicit CheckBox(QWidget* parent = nullptr);
    // 0 unchecked, 1 checked.
    int Value() const { return isChecked() ? 1 : 0; }
    void setValue(int v) { setChecked(v == 1); }
    void setBackColor(uint32_t bgr);
    void setForeColor(uint32_t bgr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    uint32_t back_ = 0xC8D0D4;
};

// A container with a background colour and no caption.
class Frame : public QFrame {
    Q_OBJECT
  public:
    explicit Frame(QWidget* parent = nullptr);
    void setBackColor(uint32_t bgr);
};

// Gives a top-level window or any widget a solid background colour.
void setWidgetBackColor(QWidget* widget, uint32_t bgr);

}  // namespace stillmar::forms
