#pragma once
// frmFichier: the capture folder as a file view, shown modeless by the main window.

#include <QWidget>

namespace stillmar {

class FolderView;

class frmFichier : public QWidget {
    Q_OBJECT
  public:
    explicit frmFichier(QWidget* parent = nullptr);

    // The program's instance, created on first use; closing the window destroys it and the
    // next use makes a new one.
    static frmFichier& Default();
    // Closes and destroys the program's instance, if there is one.
    static void Unload();

    void setCaption(const QString& caption) { setWindowTitle(caption); }
    void ShowModeless();

    FolderView* WebBrowser1 = nullptr;

    // Keeps the view at the window's outer size less 100 twips across and 560 twips down.
    void Form_Resize();

    static constexpr int kWidthMarginTwips = 100;
    static constexpr int kHeightMarginTwips = 560;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
};

}  // namespace stillmar
