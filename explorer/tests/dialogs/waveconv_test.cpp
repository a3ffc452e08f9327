// The conversion dialog with scripted file dialogs and message boxes, converting through the
// real parlink and its converter.
#include "explorer/WaveConv.h"
#include "converter/wave.h"
#include "explorer/LPTCtrl.h"
#include "explorer/tests/dialogs/dialog_test_support.h"
#include "link/testing/sc4_recording.h"
#include "platform/ui/application.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/win/memory_status.h"
#include "platform/win/testing/scripted_msgbox.h"
#include "platform/win/window.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

namespace kivo::dialogs {
namespace {

using namespace kivo::dialogs::testing;

struct TargetCase {
    const char* source;
    const char* target;
};
void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.source;
}

class TargetPath : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetPath, MarksTheSourceName) {
    EXPECT_EQ(TWaveConvForm::TargetPathFor(QString::fromUtf8(GetParam().source)).toStdString(),
              GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TargetPath,
    ::testing::Values(TargetCase{"/rec/memo1.wav", "/rec/memo1_TS.wav"},
                      TargetCase{"/d/a/b.wav", "/d/a/b_TS.wav"},
                      // Names of fewer than four characters get the mark behind them.
                      TargetCase{"/tmp/ab", "/tmp/ab_TS"}, TargetCase{"/x/abc", "/x/abc_TS"},
                      TargetCase{"ab", "ab_TS"}, TargetCase{"/x/", "/x/_TS"},
                      // Characters are counted, not bytes.
                      TargetCase{"/녹음/메모.wav", "/녹음/메모_TS.wav"},
                      TargetCase{"/a/녹음파일", "/a/_TS녹음파일"},
                      TargetCase{"/a/\U0001F600\U0001F600.wav", "/a/\U0001F600\U0001F600_TS.wav"},
                      TargetCase{"/a/\U0001F600.w", "/a/\U0001F600.w_TS"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().Bind(), "");
        kivo::explorer::lptctrl::Selector().SetPortKind(0);
        ASSERT_EQ(kivo::explorer::lptctrl::Selector().PX_SetWindowHandle(progress_.handle()), 0);
        recording_ = folder_ / "memo1.wav";
        Write(recording_, kivo::link::testing::Sc4Recording(2));
    }
    void TearDown() override { kivo::explorer::lptctrl::Selector().SetPortKind(0); }

    static void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static QString Q(const std::filesystem::path& path) {
        return QString::fromStdString(path.string());
    }
    // SC4TrueSpeechTM1Click's dialog with `step` run in it; the modal result.
    int Run(std::function<void(TWaveConvForm&)> step) {
        WhenModal([step = std::move(step)](QDialog* dialog) {
            auto* form = qobject_cast<TWaveConvForm*>(dialog);
            ASSERT_NE(form, nullptr);
            ASSERT_EQ(WaveConvForm(), form);
            step(*form);
        });
        const int result = TWaveConvForm::Execute(&main_, strings_.handle());
        EXPECT_EQ(WaveConvForm(), nullptr);
        return result;
    }
    static void Fill(TWaveConvForm& form, const QString& source, const QString& target) {
        form.Edit1->setText(source);
        form.Edit2->setText(target);
    }

    // The main window's progress handler: the bars, then pending events.
    CallbackWindow progress_{[this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kConvertProgressMessage) {
            passes_.push_back(static_cast<int>(lParam));
            if (TWaveConvForm* form = WaveConvForm()) {
                runningPageShown_ = form->GroupBox2->isVisible() && !form->GroupBox1->isVisible() &&
                                    form->OKButton->isHidden();
                waitCursorWhileRunning_ = kivo::ui::WaitCursorShown();
            }
            ShowConvertProgress(wParam, lParam);
            if (duringProgress_)
                duringProgress_(lParam);
            QCoreApplication::processEvents();
        }
        return 0;
    }};
    std::function<void(LPARAM pass)> duringProgress_;
    std::vector<int> passes_;
    bool runningPageShown_ = false;
    bool waitCursorWhileRunning_ = false;
    TempDir folder_;
    std::filesystem::path recording_;
    ScriptedMessageBoxes boxes_;
    kivo::ui::ScriptedDialogs files_;
    ResourceLibrary strings_ = TestStrings();
    MainWindowStandIn main_;
};

TEST_F(Conversion, ARecordingBecomesATrueSpeechFileTheConverterReads) {
    const auto target = folder_ / "memo1_TS.wav";
    files_.AnswerOpen({recording_.string()});
    int loadBar = -1, convertBar = -1;
    EXPECT_EQ(Run([&](TWaveConvForm& form) {
                  EXPECT_EQ(form.windowTitle(), "SC4 -> TrueSpeech(TM)");
                  EXPECT_EQ(form.Label1->text(), "T10131");
                  EXPECT_EQ(form.Label7->text(), "T10132");
                  EXPECT_EQ(form.Label10->text(), "T10133");
                  EXPECT_EQ(form.Label9->text(), "T10134");
                  EXPECT_EQ(form.SpeedButton2->text(), "T10135");
                  EXPECT_EQ(form.OKButton->text(), "T10136");
                  EXPECT_EQ(form.CancelButton->text(), "T10137");
                  EXPECT_EQ(form.Label2->text(), "[MI-SC4 type]");
                  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
                  EXPECT_FALSE(form.windowFlags() & Qt::WindowSystemMenuHint);
                  EXPECT_EQ(form.LoadProgressBar->value(), 0);
                  form.SpeedButton1->click();
                  EXPECT_EQ(form.Edit2->text(), Q(target));
                  form.OKButton->click();
                  loadBar = form.LoadProgressBar->value();
                  convertBar = form.ConvertProgressBar->value();
                  EXPECT_EQ(form.Label5->toolTip().toStdString(), recording_.string());
                  EXPECT_EQ(form.Label5->textFormat(), Qt::PlainText);  // never markup
              }),
              TWaveConvForm::kModalOk);
    EXPECT_TRUE(runningPageShown_);
    // The program's one hourglass, the same the main window's commands show.
    EXPECT_TRUE(waitCursorWhileRunning_);
    EXPECT_FALSE(kivo::ui::WaitCursorShown());
    EXPECT_EQ(loadBar, 100);
    EXPECT_EQ(convertBar, 100);
    ASSERT_FALSE(passes_.empty());
    EXPECT_EQ(passes_.front(), 1);
    EXPECT_EQ(passes_.back(), 2);
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text, "T10129");
    EXPECT_EQ(boxes_.shown()[0].flags, MB_OK | MB_ICONINFORMATION);

    kivo::converter::CWave wave;
    ASSERT_EQ(wave.Load(target.c_str()), 1);
    EXPECT_EQ(wave.FormatHeader().wFormatTag, 0x0022);
    EXPECT_GT(wave.GetSampleCount(), 0);
    ASSERT_EQ(files_.openRequests().size(), 1u);
    const kivo::ui::FileDialogRequest& asked = files_.openRequests()[0];
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].description, "MI-SC4 wav");
    EXPECT_EQ(asked.filters[0].pattern, "*.wav");
    EXPECT_EQ(asked.defaultExtension, ".wav");
    EXPECT_FALSE(asked.multiSelect);
}

TEST_F(Conversion, BrowsingAnotherSourceReplacesATypedTarget) {
    files_.AnswerOpen({"/d/a/b.wav"});
    files_.AnswerOpen({});
    files_.AnswerOpen({"/d/c.wav"});
    files_.AnswerSave("/e/chosen.wav");
    EXPECT_EQ(Run([](TWaveConvForm& form) {
                  form.SpeedButton1->click();
                  EXPECT_EQ(form.Edit2->text(), "/d/a/b_TS.wav");
                  form.Edit2->setText("/typed.wav");
                  // A cancelled dialog changes nothing.
                  form.SpeedButton1->click();
                  EXPECT_EQ(form.Edit1->text(), "/d/a/b.wav");
                  EXPECT_EQ(form.Edit2->text(), "/typed.wav");
                  form.SpeedButton1->click();
                  EXPECT_EQ(form.Edit2->text(), "/d/c_TS.wav");
                  form.SpeedButton2->click();
                  EXPECT_EQ(form.Edit1->text(), "/d/c.wav");
                  EXPECT_EQ(form.Edit2->text(), "/e/chosen.wav");
                  form.CancelButton->click();
              }),
              TWaveConvForm::kModalCancel);
    EXPECT_TRUE(boxes_.shown().empty());
    // The target dialog asks nothing before replacing a file.
    ASSERT_EQ(files_.saveRequests().size(), 1u);
    EXPECT_FALSE(files_.saveRequests()[0].confirmOverwrite);
    EXPECT_EQ(files_.saveRequests()[0].filters[0].description, "TrueSpeech(TM) wav");
}

TEST_F(Conversion, BothPathsEmptyCloseWithoutAMessage) {
    EXPECT_EQ(Run([](TWaveConvForm& form) {
                  // Enter on the choosing page is Convert; Esc does nothing.
                  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                  QApplication::sendEvent(&form, &escape);
                  EXPECT_TRUE(form.isVisible());
                  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                  QApplication::sendEvent(&form, &enter);
              }),
              TWaveConvForm::kModalCancel);
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(Conversion, AMissingTargetOrTheSameFileTwiceIsRefusedAndTheDialogStays) {
    const auto dotted = folder_ / "." / "memo1.wav";
    const auto hardLink = folder_ / "second-name.wav";
    const auto symLink = folder_ / "pointer.wav";
    std::filesystem::create_hard_link(recording_, hardLink);
    std::filesystem::create_symlink(recording_, symLink);
    const auto before = std::filesystem::file_size(recording_);
    struct Refusal {
        QString target;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {QString(), "T10140\r\nnone"},  {Q(recording_), "T10139\r\nsame"},
        {Q(dotted), "T10139\r\nsame"},  {Q(hardLink), "T10139\r\nsame"},
        {Q(symLink), "T10139\r\nsame"},
    };
    EXPECT_EQ(Run([&](TWaveConvForm& form) {
                  for (const Refusal& refusal : refusals) {
                      Fill(form, Q(recording_), refusal.target);
                      form.OKButton->click();
                      EXPECT_TRUE(form.isVisible());
                      EXPECT_TRUE(form.GroupBox1->isVisible());
                      EXPECT_EQ(form.Edit1->text(), Q(recording_));
                  }
                  form.CancelButton->click();
              }),
              TWaveConvForm::kModalCancel);
    ASSERT_EQ(boxes_.shown().size(), refusals.size());
    for (size_t i = 0; i < refusals.size(); ++i) {
        EXPECT_EQ(boxes_.shown()[i].text, refusals[i].message);
        EXPECT_EQ(boxes_.shown()[i].flags, MB_OK | MB_ICONWARNING);
    }
    EXPECT_EQ(std::filesystem::file_size(recording_), before);
    EXPECT_TRUE(passes_.empty());
}

TEST_F(Conversion, TooLittleMemoryConvertsNothing) {
    const auto target = folder_ / "out.wav";
    const uint64_t size = std::filesystem::file_size(recording_);
    {
        ScopedAvailableMemory memory(12 * size - 1);
        EXPECT_EQ(Run([&](TWaveConvForm& form) {
                      Fill(form, Q(recording_), Q(target));
                      form.OKButton->click();
                  }),
                  TWaveConvForm::kModalCancel);
    }
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_EQ(boxes_.shown()[0].text, "T10138");
    EXPECT_EQ(boxes_.shown()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(passes_.empty());

    // Twelve times the size is enough.
    ScopedAvailableMemory memory(12 * size);
    EXPECT_EQ(Run([&](TWaveConvForm& form) {
                  Fill(form, Q(recording_), Q(target));
                  form.OKButton->click();
              }),
              TWaveConvForm::kModalOk);
    EXPECT_TRUE(std::filesystem::exists(target));
}

TEST_F(Conversion, CancelInTheFirstPassStopsTheRunWithoutAMessage) {
    const auto target = folder_ / "out.wav";
    bool cancelPosted = false;
    // The user's click waits in the queue until the handler lets events run.
    duringProgress_ = [&](LPARAM pass) {
        if (pass == 1 && !cancelPosted) {
            cancelPosted = true;
            QTimer::singleShot(0, WaveConvForm()->CancelButton, &QPushButton::click);
        }
    };
    EXPECT_EQ(Run([&](TWaveConvForm& form) {
                  Fill(form, Q(recording_), Q(target));
                  form.OKButton->click();
                  EXPECT_NE(form.ConvertResult(), 0);
              }),
              TWaveConvForm::kModalIgnore);
    EXPECT_TRUE(cancelPosted);
    EXPECT_EQ(std::count(passes_.begin(), passes_.end(), 2), 0) << "the second pass ran";
    EXPECT_TRUE(boxes_.shown().empty());
}

TEST_F(Conversion, AFailedRunOrNoLinkShowsTheFailureAfterTheDialog) {
    const auto garbage = folder_ / "noise.wav";
    Write(garbage, std::vector<uint8_t>(600, 0x55));
    const auto target = folder_ / "out.wav";
    for (int port : {0, 2}) {
        kivo::explorer::lptctrl::Selector().SetPortKind(static_cast<int16_t>(port));
        const size_t before = boxes_.shown().size();
        EXPECT_EQ(Run([&](TWaveConvForm& form) {
                      Fill(form, Q(garbage), Q(target));
                      form.OKButton->click();
                      if (port == 2) {
                          EXPECT_EQ(form.ConvertResult(), -120);
                      }
                  }),
                  TWaveConvForm::kModalOk);
        ASSERT_GT(boxes_.shown().size(), before);
        EXPECT_EQ(boxes_.shown().back().text, "T10130");
        EXPECT_EQ(boxes_.shown().back().flags, MB_OK | MB_ICONERROR);
    }
}

// The shipped texts in wider and larger fonts than the designed Arial: every caption and
// button text is whole, and nothing overlaps or leaves its page.
TEST(ConversionLayout, TextsFitWiderAndLargerFonts) {
    struct Case {
        const char* pack;
        const char* family;
        int pixelSize;
    };
    const Case cases[] = {
        {"textpacken.DLL", "Liberation Sans", 12}, {"textpacken.DLL", "DejaVu Sans", 12},
        {"textpacken.DLL", "DejaVu Sans", 17},     {"textpackkr.DLL", "NanumGothic", 12},
        {"textpackkr.DLL", "NanumSquare", 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.pack << " " << c.family << " " << c.pixelSize);
        ScopedEnv packs("KIVO_PACK_DIR", KIVO_SHIPPED_PACKS);
        ResourceLibrary strings(c.pack);
        TWaveConvForm form(nullptr, strings.handle());
        form.ApplyTexts();
        QFont font(QString::fromLatin1(c.family));
        font.setPixelSize(c.pixelSize);
        form.setFont(font);

        auto whole = [](QWidget* widget) {
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                // The style's least width is no need of the text.
                EXPECT_GE(button->width(),
                          button->fontMetrics().horizontalAdvance(button->text()) + 12)
                    << button->text().toStdString();
            } else {
                EXPECT_GE(widget->width(), widget->sizeHint().width());
            }
        };
        auto leftOf = [](QWidget* left, QWidget* right) {
            EXPECT_LT(left->geometry().right(), right->x());
        };
        auto inside = [](QWidget* widget) {
            EXPECT_LE(widget->geometry().right(), widget->parentWidget()->width());
        };
        for (QWidget* text : std::initializer_list<QWidget*>{
                 form.Label1, form.Label2, form.Label3, form.Label4, form.Label8, form.Label7,
                 form.Label10, form.Label9, form.SpeedButton1, form.SpeedButton2, form.OKButton,
                 form.CancelButton}) {
            whole(text);
            inside(text);
        }
        leftOf(form.Label1, form.Edit1);
        leftOf(form.Edit1, form.SpeedButton1);
        leftOf(form.Label3, form.Edit2);
        leftOf(form.Edit2, form.SpeedButton2);
        for (QLabel* caption : {form.Label8, form.Label7, form.Label10, form.Label9}) {
            for (QWidget* value : std::initializer_list<QWidget*>{
                     form.Label5, form.Label6, form.LoadProgressBar, form.ConvertProgressBar})
                leftOf(caption, value);
        }
        for (QWidget* value : std::initializer_list<QWidget*>{
                 form.Label5, form.Label6, form.LoadProgressBar, form.ConvertProgressBar})
            inside(value);
        leftOf(form.OKButton, form.CancelButton);
    }
}

TEST(ConvertProgress, MovesTheBarOfItsPassOnlyWhileADialogIsOpen) {
    ShowConvertProgress(50, 1);
    QWidget owner;
    TWaveConvForm form(&owner, nullptr);
    ShowConvertProgress(50, 1);
    EXPECT_EQ(form.LoadProgressBar->value(), 50);
    EXPECT_EQ(form.ConvertProgressBar->value(), 0);
    ShowConvertProgress(70, 2);
    EXPECT_EQ(form.ConvertProgressBar->value(), 70);
    ShowConvertProgress(90, 0);
    ShowConvertProgress(90, 3);
    EXPECT_EQ(form.LoadProgressBar->value(), 50);
    EXPECT_EQ(form.ConvertProgressBar->value(), 70);
}

}  // namespace
}  // namespace kivo::dialogs
