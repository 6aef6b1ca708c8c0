#pragma once
// Timers: an interval in milliseconds and an Enabled switch; each tick calls the handler.
// Enabling a timer (or changing its interval while enabled) starts a fresh interval.

#include <QObject>
#include <QTimer>
#include <functional>

namespace stillmar::forms {

class Timer : public QObject {
    Q_OBJECT
  public:
    explicit Timer(QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool on);
    int Interval() const { return timer_.interval(); }
    void setInterval(int ms);

    std::function<void()> onTimer;
    // Runs the handler as a tick would.
    void tick();

  private:
    void restart();

    QTimer timer_;
    bool enabled_ = false;
};

}  // namespace stillmar::forms
