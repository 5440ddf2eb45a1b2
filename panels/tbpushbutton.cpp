#include "tbpushbutton.h"

#include <QTimer>

namespace {

QString look(const char *image)
{
    return QStringLiteral("QPushButton {border-image: url(:/images/%1);"
                          "color: rgb(255, 255, 255);}")
        .arg(QLatin1String(image));
}

const char *const kSelected = "button_selected.png";
const char *const kNonSelected = "button_nonselected.png";
const char *const kRunning = "button_state_running.png";

} // namespace

TBPushButton::TBPushButton(QWidget *parent)
    : QPushButton(parent)
    , blinkTimer(new QTimer(this))
{
    // A touch panel has no default button: Return in a text field of the panel's dialog
    // must not press the first button of the form.
    setAutoDefault(false);
    blinkTimer->setInterval(kBlinkIntervalMs);
    connect(blinkTimer, &QTimer::timeout, this, &TBPushButton::blinkTimeOut);
}

void TBPushButton::setActive(bool on)
{
    blinkTimer->stop();
    blinking = false;
    active = on;
    setEnabled(on);
    setStyleSheet(look(on ? kSelected : kNonSelected));
}

void TBPushButton::startBlinking()
{
    blinkTimer->start();
    blinking = true;
    active = true;
    setEnabled(true);
    setStyleSheet(look(kRunning));
}

void TBPushButton::blinkTimeOut()
{
    if (!blinking)
        return;
    setStyleSheet(look(blinkPhase ? kRunning : kNonSelected));
    blinkPhase = !blinkPhase;
}
