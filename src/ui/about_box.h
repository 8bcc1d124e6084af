// The about box: two pages of information about Kalotalk and its maker, with
// links that open the web sites or a new mail message through the desktop.
#pragma once

#include "ui/dialog_frame.h"

class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;

namespace kalo {

class TJQImage;
class TJQLinkLabel;

// Where the links lead (reserved example domains).
inline constexpr const char* ProductWebSite = "https://kalotalk.example.com/";
inline constexpr const char* MakerWebSite = "https://halden.example.org/";
inline constexpr const char* SupportMail = "support@halden.example.org";
inline constexpr const char* SalesMail = "sales@halden.example.org";
inline constexpr const char* CommentsMail = "comments@halden.example.org";
inline constexpr const char* AuthorMail = "author@halden.example.org";

class TFormAbout : public TJQForm {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    void FormShow() override;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheetAbout = nullptr;
    QWidget* TabSheetContact = nullptr;
    // About page.
    TJQImage* Image1 = nullptr;
    QLabel* LabelHalden = nullptr;
    QLabel* LabelTitle = nullptr;
    TJQLinkLabel* LabelMailTo = nullptr;
    TJQLinkLabel* LabelKALOURL = nullptr;
    TJQLinkLabel* LabelHaldenURL = nullptr;
    TJQImage* Image2 = nullptr;
    QPushButton* ButtonOKAbout = nullptr;
    // Contact page.
    TJQImage* Image4 = nullptr;
    TJQImage* Image3 = nullptr;
    TJQLinkLabel* Label14 = nullptr; // the author
    TJQLinkLabel* LabelSupport = nullptr;
    TJQLinkLabel* Label5 = nullptr; // sales
    TJQLinkLabel* Label6 = nullptr; // comments
    TJQLinkLabel* LabelLatest = nullptr;
    TJQLinkLabel* LabelSkins = nullptr;
    TJQLinkLabel* LabelCharacters = nullptr;
    QPushButton* ButtonOKContact = nullptr;

    void LabelKALOURLClick();
    void Image1Click();
    void LabelHaldenURLClick();
    void Image2Click();
    void LabelMailToClick();
    void Label14Click();
    void Label5Click();
    void Label6Click();
};

// Shows the about box modally over the window that asks for it (the active
// window when none is given) and destroys it when it closes.
void ShowAbout(QWidget* owner = nullptr);

} // namespace kalo
