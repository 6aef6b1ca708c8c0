// Form1: playback display, time label, pause on the video, seek thumb and frame count.

#include "controls/slider_mod.h"
#include "main_window/form1.h"
#include "platform/forms/busy_pointer.h"
#include "platform/forms/message_box.h"
#include "platform/forms/mouse.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/text.h"
#include "resources/resources.h"

namespace stillmar {

namespace {

double numericValue(const std::string& reply) {
    return rt::leadingNumber(reply);
}

}  // namespace

void Form1::Timer1_Timer() {
    try {
        PositionSeconds = rt::toInt32OrRaise(numericValue(Player.POSFORMAT(TimeText::Seconds)));
        float ratio = 0;
        if (Playing) {
            const double L = numericValue(Player.getStatusInfo(PlayerStatus::LengthSeconds));
            const double P = numericValue(Player.POSFORMAT(TimeText::Seconds));
            // A zero length is how an unplayable file shows itself.
            if (L == 0) rt::raise(P == 0 ? rt::kOverflow : rt::kDivisionByZero);
            ratio = static_cast<float>(P / L);
        }
        if (!SeekDragging) {
            int32_t horizontal = 1;
            SliderMod::PlaceThumb(ratio, *Picture5, *Picture4, horizontal, false);
        }
        const std::string text =
            ShowRemaining ? Player.FormatRemain() : Player.POSFORMAT(TimeText::MinutesSeconds);
        Label3->setCaption(QString::fromStdString(text));
    } catch (const std::exception&) {
        // Stopped before the box: its modal loop would otherwise let further ticks stack up
        // more boxes.
        Timer1.setEnabled(false);
        forms::MsgBox(QStringLiteral("Erreur lors de l'ouverture du fichier ! Format incompatible "
                                     "ou non reconnu !"),
                      forms::MsgBoxIcon::Exclamation + forms::MsgBoxButtons::OkOnly,
                      QStringLiteral("Erreur"), this);
    }
}

void Form1::Label3_Click() {
    ShowRemaining = !ShowRemaining;
}

void Form1::Label3_MouseMove(int, int, double, double) {
    Label3->setToolTip(QStringLiteral("Click to change mode"));
}

void Form1::Picture2_Click() {
    Paused = !Paused;
    if (Paused)
        Player.setCommand(PlayerCommand::Pause, "", 0);
    else
        Player.setCommand(PlayerCommand::Resume, "", 0);
}

void Form1::Picture2_MouseDown(int button, int, double, double) {
    if (button == forms::MouseButton::Left) {
        Picture2->setMouseIcon(resources::pointer(102));
        Picture2->setMousePointer(forms::MousePointer::Custom);
    }
}

void Form1::Picture2_MouseMove(int button, int, double, double) {
    if (button != forms::MouseButton::Left) {
        Picture2->setMouseIcon(resources::pointer(101));
        Picture2->setMousePointer(forms::MousePointer::Custom);
    }
}

void Form1::Picture5_MouseDown(int button, int, double x, double y) {
    ThumbPressLeft = Picture5->x();
    try {
        SliderMod::SliderMin = 0;
        SliderMod::SliderReversed = false;
        if (button == forms::MouseButton::Left) {
            int32_t horizontal = 1;
            SliderMod::BeginThumbDrag(*Picture5, static_cast<float>(x), static_cast<float>(y),
                                      horizontal);
        }
        SliderMod::SliderMax =
            rt::toInt32OrRaise(numericValue(Player.LENGTHFORMAT(TimeText::Seconds)));
        PressPositionMs =
            rt::toInt32OrRaise(rt::strictNumber(Player.getStatusInfo(PlayerStatus::PositionMs)));
        SeekDragging = true;
        SliderMod::SliderDragging = true;
    } catch (const rt::RuntimeError& e) {
        SliderMod::LastError = {e.number(), QString::fromStdString(e.description())};
        // Without the media's length or position the thumb is not dragged.
        SliderMod::SliderDragging = false;
    }
    if (SliderMod::LastError.number != 0) {
        const QString text = SliderMod::LastError.description;
        SliderMod::LastError = {};
        forms::MsgBox(text, forms::MsgBoxIcon::Critical, QStringLiteral("scrolldown"), this);
    }
}

void Form1::Picture5_MouseMove(int button, int, double x, double y) {
    if (button == forms::MouseButton::Left) {
        int32_t horizontal = 1;
        SliderMod::DragThumb(*Picture4, *Picture5, static_cast<float>(x), static_cast<float>(y),
                             horizontal);
    }
    LastSliderValue = SliderMod::SliderValue;
}

void Form1::Picture5_MouseUp(int, int, double, double) {
    // A thumb released where it was pressed (a click, a drag the slider refused, a press that
    // could not read the media) leaves playback where it is. A drag lands on the dragged
    // second, keeping the part of a second the position had at the press.
    if (SeekDragging && Picture5->x() != ThumbPressLeft) {
        try {
            const int32_t target =
                rt::add32(rt::mul32(SliderMod::SliderValue, 1000), PressPositionMs % 1000);
            const forms::BusyPointer busy;
            Player.setCommand(PlayerCommand::SeekAndPlay, "", target);
        } catch (const rt::RuntimeError&) {
            // A target beyond 32 bits is no place in any media: no seek.
        }
    }
    SeekDragging = false;
    SliderMod::SliderDragging = false;
}

void Form1::Picture7_MouseDown(int index, int, int, double, double) {
    Picture7[index]->setPicture(Picture7[index + 2]->picture());
    CountButtonIndex = static_cast<int16_t>(index);
    Timer2.setEnabled(true);
}

void Form1::Picture7_MouseUp(int index, int, int, double, double) {
    Picture7[index]->setPicture(Picture7[index + 1]->picture());
    Timer2.setEnabled(false);
}

void Form1::Timer2_Timer() {
    if (CountButtonIndex == 0 && CaptureCount < 99) ++CaptureCount;
    if (CountButtonIndex == 3) {
        if (CaptureCount >= 2)
            --CaptureCount;
        else
            CaptureCount = 1;
    }
    Label2->setCaption(QString::number(CaptureCount));
}

}  // namespace stillmar
