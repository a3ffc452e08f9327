#include "explorer/tests/mainfrm/test_packs.h"

#include <QImage>

#include <fstream>

namespace fs = std::filesystem;

namespace {

// The identifiers the explorer reads.
std::set<unsigned> Identifiers() {
    std::set<unsigned> ids;
    auto range = [&](unsigned first, unsigned last) {
        for (unsigned id = first; id <= last; ++id)
            ids.insert(id);
    };
    range(10000, 10013);
    range(10020, 10026);
    range(10031, 10033);
    range(10040, 10041);
    range(10050, 10057);
    range(10060, 10065);
    range(10070, 10080);
    range(10110, 10155);
    range(10400, 10441);
    range(10701, 10704);
    range(10800, 10809);
    return ids;
}

void WritePack(const fs::path& file, const std::map<unsigned, std::string>& given, char prefix) {
    std::ofstream out(file);
    out << "# test pack\n";
    for (unsigned id : Identifiers()) {
        auto it = given.find(id);
        out << id << '\t' << (it != given.end() ? it->second : prefix + std::to_string(id)) << '\n';
    }
}

}  // namespace

const std::map<std::string, QSize>& TestPacks::Bitmaps() {
    static const std::map<std::string, QSize> bitmaps = {
        {"256MENU", {64, 18}},      {"016MENU", {48, 18}},     {"256STAT", {111, 117}},
        {"016STAT", {111, 117}},    {"256BALL", {11, 11}},     {"016BALL", {11, 11}},
        {"HDRFLASHOFF", {298, 20}}, {"HDRFLASHON", {298, 20}}, {"HDRCARDOFF", {298, 20}},
        {"HDRCARDON", {298, 20}},   {"STATUSBG", {476, 117}},  {"BTNCONNECT", {20, 20}},
        {"BTNCOPYFLASH", {20, 20}}, {"BTNCOPYCARD", {20, 20}}, {"BTNCOPYPC", {20, 20}},
        {"BTNTRASH", {20, 20}},     {"BTNSTOP", {20, 20}},     {"BTNLARGEICON", {20, 20}},
        {"BTNSMALLICON", {20, 20}}, {"BTNLISTICON", {20, 20}}, {"BTNREPORTICON", {20, 20}},
        {"FILE0LARGE", {32, 32}},   {"FILE0SMALL", {16, 16}},  {"FILE3LARGE", {32, 32}},
        {"FILE3SMALL", {16, 16}},   {"ENLOGO", {429, 299}},    {"KRLOGO", {429, 299}},
    };
    return bitmaps;
}

QColor TestPacks::ColourOf(const std::string& name) {
    size_t hash = std::hash<std::string>()(name);
    return QColor(static_cast<int>(hash & 0xFF), static_cast<int>((hash >> 8) & 0xFF),
                  static_cast<int>((hash >> 16) & 0xFF));
}

void TestPacks::WriteTo(const fs::path& folder) const {
    fs::create_directories(folder / "artpack");
    if (writeTextPacks) {
        WritePack(folder / "textpacken.pack", english, 'E');
        WritePack(folder / "textpackkr.pack", korean, 'K');
    } else {
        // The libraries are found here, without texts: no pack elsewhere stands in.
        fs::create_directories(folder / "textpacken");
        fs::create_directories(folder / "textpackkr");
    }
    for (const auto& [name, size] : Bitmaps()) {
        if (leaveOutBitmaps.count(name))
            continue;
        QImage image(size, QImage::Format_RGB888);
        image.fill(ColourOf(name));
        // A corner of another colour: the key colour of pictures drawn transparent.
        image.setPixelColor(0, size.height() - 1, QColor(255, 0, 255));
        image.save(QString::fromStdString((folder / "artpack" / (name + ".bmp")).string()), "BMP");
    }
}
