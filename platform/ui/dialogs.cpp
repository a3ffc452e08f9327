#include "platform/ui/dialogs.h"

#include "platform/ui/form_window.h"
#include "platform/win/lang.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>

#include <algorithm>
#include <memory>

namespace kivo::ui {

namespace {

class CancellingDialogs : public CommonDialogs {
public:
    std::vector<std::string> OpenFiles(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return {}; }
    std::optional<FontChoice> ChooseFont(HWND, const FontChoice&) override { return {}; }
};

CancellingDialogs& cancelling() {
    static CancellingDialogs dialogs;
    return dialogs;
}

CommonDialogs*& installed() {
    static CommonDialogs* dialogs = &cancelling();
    return dialogs;
}

QWidget* OwnerOf(HWND window) {
    QWidget* owner = FormWindow::FromHandle(window);
    return owner != nullptr ? owner : QApplication::activeWindow();
}

// The platform's patterns match without regard to case; Qt's follow the file system.
QString AnyCase(const std::string& pattern) {
    if (pattern == "*.*")
        return QStringLiteral("*");
    QString out;
    for (QChar c : QString::fromStdString(pattern)) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

// "Description (*.a;*.b)" with Qt's own pattern list behind it; the dialog hides that list.
QString NameFilter(const FileFilter& filter) {
    QStringList patterns;
    for (const QString& piece : QString::fromStdString(filter.pattern).split(QLatin1Char(';'))) {
        if (!piece.trimmed().isEmpty())
            patterns << AnyCase(piece.trimmed().toStdString());
    }
    return QString::fromStdString(filter.description) + QStringLiteral(" (") +
           patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void Prepare(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    if (!request.folder.empty())
        dialog.setDirectory(QString::fromStdString(request.folder));
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << NameFilter(filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.defaultExtension.empty()) {
        QString suffix = QString::fromStdString(request.defaultExtension);
        if (suffix.startsWith(QLatin1Char('.')))
            suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
    }
    if (!request.fileName.empty())
        dialog.selectFile(QString::fromStdString(request.fileName));
}

class QtDialogs : public CommonDialogs {
public:
    std::vector<std::string> OpenFiles(const FileDialogRequest& request) override {
        QFileDialog dialog(OwnerOf(request.owner));
        Prepare(dialog, request);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                               : QFileDialog::ExistingFile);
        std::vector<std::string> paths;
        if (dialog.exec() == QDialog::Accepted) {
            for (const QString& path : dialog.selectedFiles())
                paths.push_back(QFile::encodeName(path).toStdString());
        }
        return paths;
    }

    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        QFileDialog dialog(OwnerOf(request.owner));
        Prepare(dialog, request);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
    }

    std::optional<FontChoice> ChooseFont(HWND owner, const FontChoice& initial) override {
        QFont font(QString::fromStdString(initial.name), initial.pointSize);
        bool ok = false;
        QFont chosen = QFontDialog::getFont(&ok, font, OwnerOf(owner));
        if (!ok)
            return std::nullopt;
        return FontChoice{chosen.family().toStdString(), CharsetOfFamily(chosen.family()),
                          chosen.pointSize()};
    }
};

}  // namespace

void SetCommonDialogs(CommonDialogs* dialogs) {
    installed() = dialogs != nullptr ? dialogs : &cancelling();
}

CommonDialogs& Dialogs() {
    return *installed();
}

void InstallQtDialogs() {
    static QtDialogs dialogs;
    SetCommonDialogs(&dialogs);
}

int CharsetOfFamily(const QString& family) {
    struct Candidate {
        uint16_t primaryLang;
        QFontDatabase::WritingSystem system;
        int charset;
    };
    static const Candidate candidates[] = {
        {kLangKorean, QFontDatabase::Korean, 129},
        {kLangJapanese, QFontDatabase::Japanese, 128},
        {kLangChinese, QFontDatabase::SimplifiedChinese, 134},
        {kLangChinese, QFontDatabase::TraditionalChinese, 136},
    };
    const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
    uint16_t lang = GetSystemDefaultLangID();
    for (const Candidate& c : candidates) {
        if (c.primaryLang == PrimaryLangOf(lang) && systems.contains(c.system)) {
            // Chinese: the sub-language names which of the two sets.
            if (c.primaryLang != kLangChinese || (SubLangOf(lang) == 2) == (c.charset == 134))
                return c.charset;
        }
    }
    for (const Candidate& c : candidates) {
        if (systems.contains(c.system))
            return c.charset;
    }
    return 0;
}

}  // namespace kivo::ui
