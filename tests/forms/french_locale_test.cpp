// Every window speaks French: Qt's own texts from its catalogue, numbers and dates the French
// way. The message box is a real one, answered from inside its modal loop.

#include "platform/forms/french_locale.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDate>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "platform/forms/message_box.h"
#include "tests/support/qt_app.h"

namespace stillmar {
namespace {

TEST(FrenchLocale, messageBoxButtonsNumbersAndDatesAreFrench) {
    test::qtApp();
    ASSERT_TRUE(forms::installFrenchLocale());
    ASSERT_TRUE(forms::installFrenchLocale());  // a second call changes nothing

    EXPECT_EQ(QLocale().toString(2.5), "2,5");
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 6), "d MMMM yyyy"), "6 décembre 2026");

    QStringList buttons;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            QTimer::singleShot(10, answer);
            return;
        }
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        box->button(QMessageBox::No)->click();
    };
    QTimer::singleShot(0, answer);
    const int result = forms::MsgBox(
        "Continuer ?", forms::MsgBoxButtons::YesNoCancel + forms::MsgBoxIcon::Question, "Question");
    EXPECT_EQ(result, forms::MsgBoxAnswer::No);
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (QStringList{"&Non", "&Oui", "Annuler"}));
}

}  // namespace
}  // namespace stillmar
