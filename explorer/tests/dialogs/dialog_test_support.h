#pragma once

#include "platform/resources/library.h"
#include "testing/scoped_env.h"
#include "testing/temp_dir.h"

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

using kivo::test::ScopedEnv;
using kivo::test::TempDir;

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
