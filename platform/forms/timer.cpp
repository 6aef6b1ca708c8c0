#include "platform/forms/timer.h"

namespace stillmar::forms {

Timer::Timer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::tick);
}

void Timer::setEnabled(bool on) {
    enabled_ = on;
    restart();
}

void Timer::setInterval(int ms) {
    timer_.setInterval(ms);
    restart();
}

void Timer::restart() {
    // An interval of 0 disables the timer as the run time does.
    if (enabled_ && timer_.interval() > 0)
        timer_.start();
    else
        timer_.stop();
}

void Timer::tick() {
    if (onTimer) onTimer();
}

}  // namespace stillmar::forms
