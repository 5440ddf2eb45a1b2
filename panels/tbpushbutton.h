#pragma once

#include <QPushButton>

class QTimer;

// The push button of the touch panels, drawn by a border image with white text: selected
// (enabled), non-selected (disabled, greyed) and running, which blinks against the
// non-selected look while a brew is in progress.
class TBPushButton : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int kBlinkIntervalMs = 500;

    explicit TBPushButton(QWidget *parent = nullptr);

    // Selected and enabled, or non-selected and disabled; ends a blinking.
    void setActive(bool on);
    // Enabled, with the running look alternating with the non-selected one.
    void startBlinking();

    bool isBlinking() const { return blinking; }

public slots:
    void blinkTimeOut();

private:
    bool blinking = false;
    bool blinkPhase = false; // not reset between blinkings: the first look after 500 ms varies
    bool active = false;     // the last value given to setActive (true while blinking)
    QTimer *blinkTimer;
};
