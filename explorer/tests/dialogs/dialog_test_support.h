#pragma once

#include "platform/resources/library.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kivo::dialogs::testing {

// Sets an environment variable for the object's lifetime and puts the earlier value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            before_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (before_)
            ::setenv(name_, before_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> before_;
};

// A fresh folder per test, removed afterwards.
class TestFolder {
public:
    TestFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        path_ = std::filesystem::temp_directory_path() /
                ("kivo-dialogs-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() { std::filesystem::remove_all(path_); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The test's own language pack: text N reads "T<N>", formats carry "%1".
inline ResourceLibrary TestStrings() {
    ScopedEnv packs("KIVO_PACK_DIR", KIVO_DIALOG_TEST_PACKS);
    return ResourceLibrary("textpacken.DLL");
}

// Runs `step` on the modal dialog once it is open; a dialog the step leaves open is a failure
// and is closed, so that no test hangs.
inline void WhenModal(std::function<void(QDialog*)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "no modal dialog open";
        step(dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the step left the dialog open";
            dialog->done(QDialog::Rejected);
        }
    });
}

// A stand-in for the main window: a top-level widget at a known place with a known font.
class MainWindowStandIn : public QWidget {
public:
    MainWindowStandIn() {
        setGeometry(100, 50, 596, 500);
        QFont font(QStringLiteral("Liberation Serif"));
        font.setPixelSize(15);
        setFont(font);
    }
};

}  // namespace kivo::dialogs::testing
