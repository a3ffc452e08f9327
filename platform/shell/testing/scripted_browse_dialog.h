#pragma once

#include "platform/shell/item_id_list.h"
#include "platform/shell/shlobj.h"
#include "platform/win/window.h"
#include "platform/win/window_ops.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo::shell {

// For tests: stands in for the folder dialog while it lives. Each show tells the callback that
// the dialog is initialised, then plays the test's script, which may change the selection or
// report text that names nothing (through the callback, as the dialog would) and ends with the
// item chosen or with nothing. Every message sent to the dialog or to its status line is
// recorded. The dialog is a rectangle at (100, 100); its status line (only with
// BIF_STATUSTEXT, control 14147) is `statusWidth` pixels wide and draws every character
// `charWidth` pixels wide.
class ScriptedBrowseDialog {
public:
    struct Message {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::string text;                // texts sent, as sent
        std::optional<ItemIdList> item;  // items sent
    };
    struct Outcome {
        std::optional<ItemIdList> item;
        std::string displayName;
        int image = -1;
    };
    using Script = std::function<Outcome(ScriptedBrowseDialog&)>;

    static Outcome Choose(ItemIdList item, std::string displayName, int image = -1) {
        return Outcome{std::move(item), std::move(displayName), image};
    }
    static Outcome Cancel() { return Outcome{}; }

    ScriptedBrowseDialog() : scope_([this](BROWSEINFOA& info) { return Show(info); }) {}

    void Play(Script script) { script_ = std::move(script); }
    void FailToStart() { failToStart_ = true; }

    int width = 320;
    int height = 400;
    int statusWidth = 280;
    int charWidth = 7;

    // Within a script.
    void SelectionChanged(const std::optional<ItemIdList>& item) {
        Call(BFFM_SELCHANGED, item ? reinterpret_cast<LPARAM>(&*item) : 0);
    }
    int ValidateFailed(const std::string& text) {
        return Call(BFFM_VALIDATEFAILEDA, reinterpret_cast<LPARAM>(text.c_str()));
    }
    HWND handle() const { return dialog_ ? dialog_->handle() : nullptr; }
    HWND statusHandle() const { return status_ ? status_->handle() : nullptr; }
    const RECT& rect() const { return rect_; }
    const std::string& windowText() const { return windowText_; }
    bool okEnabled() const { return okEnabled_; }

    // What the last show was given.
    int shows() const { return shows_; }
    QWidget* owner() const { return owner_; }
    const std::optional<ItemIdList>& root() const { return root_; }
    const std::string& title() const { return title_; }
    UINT flags() const { return flags_; }

    const std::vector<Message>& messages() const { return messages_; }
    std::vector<Message> messages(UINT message) const {
        std::vector<Message> found;
        for (const Message& m : messages_) {
            if (m.message == message)
                found.push_back(m);
        }
        return found;
    }

private:
    class Part : public Window {
    public:
        Part(ScriptedBrowseDialog& owner, bool isStatus) : owner_(owner), isStatus_(isStatus) {}
        LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
            return owner_.Answer(handle(), isStatus_, message, wParam, lParam);
        }

    private:
        ScriptedBrowseDialog& owner_;
        bool isStatus_;
    };

    std::optional<ItemIdList> Show(BROWSEINFOA& info) {
        ++shows_;
        owner_ = info.owner;
        root_ = info.pidlRoot ? std::optional<ItemIdList>(*info.pidlRoot) : std::nullopt;
        title_ = info.lpszTitle ? info.lpszTitle : "";
        flags_ = info.ulFlags;
        if (failToStart_)
            return std::nullopt;
        info_ = &info;
        rect_ = RECT{100, 100, 100 + width, 100 + height};
        windowText_ = "Browse for Folder";
        dialog_ = std::make_unique<Part>(*this, false);
        if (info.ulFlags & BIF_STATUSTEXT)
            status_ = std::make_unique<Part>(*this, true);
        Call(BFFM_INITIALIZED, 0);
        Outcome outcome = script_ ? script_(*this) : Cancel();
        if (outcome.item) {
            if (info.pszDisplayName)
                std::strncpy(info.pszDisplayName, outcome.displayName.c_str(), MAX_PATH - 1);
            info.iImage = outcome.image;
        }
        status_.reset();
        dialog_.reset();
        info_ = nullptr;
        return outcome.item;
    }

    int Call(UINT code, LPARAM param) {
        if (!info_ || !info_->lpfn || !dialog_)
            return 0;
        return info_->lpfn(dialog_->handle(), code, param, info_->lParam);
    }

    static int Characters(const char* text) {
        int count = 0;
        for (const char* p = text; *p; ++p)
            count += (static_cast<unsigned char>(*p) & 0xC0) != 0x80;
        return count;
    }

    LRESULT Answer(HWND window, bool isStatus, UINT message, WPARAM wParam, LPARAM lParam) {
        Message record{window, message, wParam, lParam, {}, std::nullopt};
        if (message == BFFM_SETSTATUSTEXTA || message == WM_SETTEXT ||
            (message == BFFM_SETSELECTIONA && wParam))
            record.text = reinterpret_cast<const char*>(lParam);
        if (message == BFFM_SETSELECTIONA && !wParam && lParam)
            record.item = *reinterpret_cast<const ItemIdList*>(lParam);
        messages_.push_back(record);
        switch (message) {
            case BFFM_ENABLEOK:
                okEnabled_ = lParam != 0;
                return 0;
            case WM_SETTEXT:
                if (!isStatus)
                    windowText_ = record.text;
                return TRUE;
            case WM_GETTEXT: {
                if (wParam == 0)
                    return 0;
                size_t count = std::min(windowText_.size(), static_cast<size_t>(wParam) - 1);
                std::memcpy(reinterpret_cast<char*>(lParam), windowText_.data(), count);
                reinterpret_cast<char*>(lParam)[count] = '\0';
                return static_cast<LRESULT>(count);
            }
            case WM_KIVO_GETRECT:
                *reinterpret_cast<RECT*>(lParam) =
                    isStatus ? RECT{rect_.left + 10, rect_.top + 40, rect_.left + 10 + statusWidth,
                                    rect_.top + 56}
                             : rect_;
                return TRUE;
            case WM_KIVO_SETPOS: {
                const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
                if (isStatus)
                    return FALSE;
                if (!(pos->flags & SWP_NOMOVE))
                    rect_ = RECT{pos->x, pos->y, pos->x + width, pos->y + height};
                return TRUE;
            }
            case WM_KIVO_GETDLGITEM:
                return !isStatus && wParam == kBrowseStatusControlId && status_
                           ? reinterpret_cast<LRESULT>(status_->handle())
                           : 0;
            case WM_KIVO_TEXTWIDTH:
                return isStatus ? Characters(reinterpret_cast<const char*>(lParam)) * charWidth : 0;
            default:
                return 0;
        }
    }

    ScopedBrowseForFolderHook scope_;
    Script script_;
    bool failToStart_ = false;
    int shows_ = 0;
    QWidget* owner_ = nullptr;
    std::optional<ItemIdList> root_;
    std::string title_;
    UINT flags_ = 0;
    BROWSEINFOA* info_ = nullptr;
    RECT rect_;
    std::string windowText_;
    bool okEnabled_ = true;
    std::unique_ptr<Part> dialog_;
    std::unique_ptr<Part> status_;
    std::vector<Message> messages_;
};

}  // namespace kivo::shell
