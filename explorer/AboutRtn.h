#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>

#include <string>

// One borderless window for the splash and the about box: the logo of the system's language
// with a hot spot over the web address printed in it, and, in the about box, the explorer's
// version, its release date and the player's firmware version. Created once at start.
class TAboutFrm : public QDialog {
    Q_OBJECT
public:
    // Loads the logo from the image pack; a pack or logo that is missing throws
    // std::runtime_error("Resource <name> not found"), and the program stops before its main
    // window shows.
    explicit TAboutFrm(QWidget* parent = nullptr);

    // Each line shows with a non-empty text and hides with an empty one.
    void SetSoftwareVersion(const QString& text);
    void SetReleaseDate(const QString& text);
    void SetFirmwareVersion(const QString& text);

    // Shown without being modal and painted at once, the logo alone.
    void ShowSplash();
    // About1Click's box: the three lines, shown modally until a click closes it.
    void ShowAbout(const std::string& firmwareVersion);

    // The suite's web address for the system's language, as the Help menu gives it.
    QString WebAddress() const { return webAddress_; }

    // Components, named by role.
    QLabel* imgAbout;
    QLabel* labelKivoURL;
    QLabel* Label1;
    QLabel* SoftwareLabel;
    QLabel* Label2;
    QLabel* DateLabel;
    QLabel* Label3;
    QLabel* FirmWareLabel;

    void imgAboutClick();
    void imgAboutMouseMove();
    void labelKivoURLClick();
    void labelKivoURLMouseMove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();

    QString webAddress_;
};

// The explorer's version and release date as the about box shows them.
inline constexpr char kExplorerVersion[] = "1.7";
inline constexpr char kReleaseDate[] = "20010920";
