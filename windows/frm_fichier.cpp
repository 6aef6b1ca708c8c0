#include "windows/frm_fichier.h"

#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "capture/conversion_twips.h"
#include "windows/folder_view.h"
#include "windows/program_icon.h"

namespace stillmar {

namespace {

QPointer<frmFichier>& defaultInstance() {
    static QPointer<frmFichier> instance;
    return instance;
}

// The display's ratio, or the designed 15 when no display answers.
int twipsPerPixel(int32_t ratio) {
    return ratio > 0 ? ratio : 15;
}

int twipsToPixels(int twips, int ratio) {
    return static_cast<int>(std::nearbyint(static_cast<double>(twips) / ratio));
}

}  // namespace

frmFichier::frmFichier(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowIcon(programIcon());
    WebBrowser1 = new FolderView(this);
    const int tx = twipsPerPixel(ConversionTwipsPixelAvecAPI::TwipsPerPixelX());
    const int ty = twipsPerPixel(ConversionTwipsPixelAvecAPI::TwipsPerPixelY());
    resize(twipsToPixels(8160, tx), twipsToPixels(6405, ty));
}

frmFichier& frmFichier::Default() {
    QPointer<frmFichier>& instance = defaultInstance();
    if (!instance) {
        instance = new frmFichier;
        instance->setAttribute(Qt::WA_DeleteOnClose);
    }
    return *instance;
}

void frmFichier::Unload() {
    if (QPointer<frmFichier>& instance = defaultInstance()) {
        instance->close();
        delete instance.data();
    }
}

void frmFichier::ShowModeless() {
    show();
    raise();
    activateWindow();
}

void frmFichier::Form_Resize() {
    if (isMinimized()) return;
    const int tx = twipsPerPixel(ConversionTwipsPixelAvecAPI::TwipsPerPixelX());
    const int ty = twipsPerPixel(ConversionTwipsPixelAvecAPI::TwipsPerPixelY());
    const QSize outer = frameGeometry().size();
    // A window smaller than the margins leaves the view empty rather than negative.
    const int widthTwips = std::max(0, outer.width() * tx - kWidthMarginTwips);
    const int heightTwips = std::max(0, outer.height() * ty - kHeightMarginTwips);
    WebBrowser1->setGeometry(0, 0, twipsToPixels(widthTwips, tx), twipsToPixels(heightTwips, ty));
}

void frmFichier::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmFichier::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restoring may not resize the window, yet the view must follow what happened meanwhile.
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

}  // namespace stillmar
