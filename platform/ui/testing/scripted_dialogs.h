#pragma once

#include "platform/ui/dialogs.h"

#include <deque>

namespace kivo::ui {

// For tests: records every request and answers with the queued answers in turn; with nothing
// queued, the user cancels. Installed for its lifetime.
class ScriptedDialogs : public CommonDialogs {
public:
    ScriptedDialogs() : previous_(&Dialogs()) { SetCommonDialogs(this); }
    ~ScriptedDialogs() override { SetCommonDialogs(previous_); }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void AnswerOpen(std::vector<std::string> paths) { opens_.push_back(std::move(paths)); }
    void AnswerSave(std::optional<std::string> path) { saves_.push_back(std::move(path)); }
    void AnswerFont(std::optional<FontChoice> font) { fonts_.push_back(std::move(font)); }

    const std::vector<FileDialogRequest>& openRequests() const { return openRequests_; }
    const std::vector<FileDialogRequest>& saveRequests() const { return saveRequests_; }
    const std::vector<FontChoice>& fontRequests() const { return fontRequests_; }

    std::vector<std::string> OpenFiles(const FileDialogRequest& request) override {
        openRequests_.push_back(request);
        return Next(opens_);
    }
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        saveRequests_.push_back(request);
        return Next(saves_);
    }
    std::optional<FontChoice> ChooseFont(HWND, const FontChoice& initial) override {
        fontRequests_.push_back(initial);
        return Next(fonts_);
    }

private:
    template <typename T>
    static T Next(std::deque<T>& queue) {
        if (queue.empty())
            return T();
        T answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }

    CommonDialogs* previous_;
    std::deque<std::vector<std::string>> opens_;
    std::deque<std::optional<std::string>> saves_;
    std::deque<std::optional<FontChoice>> fonts_;
    std::vector<FileDialogRequest> openRequests_;
    std::vector<FileDialogRequest> saveRequests_;
    std::vector<FontChoice> fontRequests_;
};

}  // namespace kivo::ui
