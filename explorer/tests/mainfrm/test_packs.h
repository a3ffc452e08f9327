#pragma once

#include <QColor>
#include <QSize>

#include <filesystem>
#include <map>
#include <set>
#include <string>

// Small language and image packs for window tests, written into a folder of the test's own.
// Each English text is "E<identifier>" and each Korean one "K<identifier>" unless given; each
// bitmap is a plain rectangle of a colour of its own at the size the window expects.
struct TestPacks {
    std::map<unsigned, std::string> english;
    std::map<unsigned, std::string> korean;
    std::set<std::string> leaveOutBitmaps;
    bool writeTextPacks = true;

    void WriteTo(const std::filesystem::path& folder) const;

    // Every bitmap the main window and the about box load, with its size.
    static const std::map<std::string, QSize>& Bitmaps();
    // The colour a bitmap of that name is filled with.
    static QColor ColourOf(const std::string& name);
};
