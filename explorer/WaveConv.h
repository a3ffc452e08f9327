#pragma once

#include "platform/win/types.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>

#include <cstdint>

// The conversion of an SC4 recording on the PC into a TrueSpeech wave file: the user picks
// both files, the link's converter runs with two progress bars and may be cancelled.
class TWaveConvForm : public QDialog {
    Q_OBJECT
public:
    // How the dialog closed: after a run, after a cancelled run, without a run.
    static constexpr int kModalOk = 1;
    static constexpr int kModalCancel = 2;
    static constexpr int kModalIgnore = 5;

    TWaveConvForm(QWidget* owner, HMODULE strings);
    ~TWaveConvForm() override;

    // SC4TrueSpeechTM1Click's dialog: texts from the pack, the main window's font name, centred
    // over it, shown modally, then the result message of a run. The modal result.
    static int Execute(QWidget* mainWindow, HMODULE strings);

    // The source's "_TS" target: "_TS" before the last four characters of the path, or after
    // a file name of fewer than four characters.
    static QString TargetPathFor(const QString& source);

    // The texts of the pack; the caption and the two type labels keep their own.
    void ApplyTexts();

    void SetLoadProgress(int percent);
    void SetConvertProgress(int percent);
    int32_t ConvertResult() const { return convertResult_; }

    // Components, named by role.
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QPushButton* SpeedButton1;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* Edit2;
    QPushButton* SpeedButton2;
    QGroupBox* GroupBox2;
    QLabel* Label8;
    QLabel* Label5;
    QLabel* Label7;
    QLabel* Label6;
    QLabel* Label10;
    QProgressBar* LoadProgressBar;
    QLabel* Label9;
    QProgressBar* ConvertProgressBar;
    QPushButton* OKButton;
    QPushButton* CancelButton;

    void SpeedButton1Click();
    void SpeedButton2Click();
    void OKButtonClick();
    void CancelButtonClick();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool Running() const;
    // Places the labels, fields and buttons for the texts and the font: the designed places
    // where the texts fit, else the fields narrower and the buttons wider, nothing overlapping.
    void FitToTexts();
    // The warning of a format text whose one argument is a line break.
    void Warn(UINT id);

    HMODULE strings_;
    int modalResult_ = kModalCancel;
    int32_t convertResult_ = 0;
};

// The conversion dialog while it exists, else nullptr.
TWaveConvForm* WaveConvForm();

// The main window's handler of the conversion progress message passes it here: pass 1 moves
// the load bar, pass 2 the convert bar, to the percent; without a dialog nothing happens.
void ShowConvertProgress(WPARAM percent, LPARAM pass);
