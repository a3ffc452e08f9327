#include "platform/shell/texts.h"

#include "platform/win/lang.h"

#include <array>

namespace kivo::shell {
namespace {

struct Texts {
    const char* english;
    const char* korean;
};

constexpr std::array<Texts, 23> kTexts = {{
    {"Browse for Folder", "폴더 찾아보기"},
    {"&Folder:", "폴더(&F):"},
    {"OK", "확인"},
    {"Cancel", "취소"},
    {"&Make New Folder", "새 폴더 만들기(&M)"},
    {"New Folder", "새 폴더"},
    {"The folder cannot be created.", "폴더를 만들 수 없습니다."},
    {"The folder cannot be renamed.", "폴더 이름을 바꿀 수 없습니다."},
    {"Desktop", "바탕 화면"},
    {"Home", "홈 폴더"},
    {"File System", "파일 시스템"},
    {"This Computer", "내 컴퓨터"},
    {"Network", "네트워크"},
    {"Recycle Bin", "휴지통"},
    {"Control Panel", "제어판"},
    {"Printers", "프린터"},
    {"Internet", "인터넷"},
    {"Favorites", "즐겨찾기"},
    {"Recent Documents", "최근 문서"},
    {"Send To", "보내기"},
    {"Network Shortcuts", "네트워크 바로 가기"},
    {"Printer Shortcuts", "프린터 바로 가기"},
    {"Shared Desktop", "공용 바탕 화면"},
}};

static_assert(kTexts.size() == static_cast<size_t>(Text::SharedDesktop) + 1);

}  // namespace

const char* TextOf(Text text) {
    const Texts& texts = kTexts[static_cast<size_t>(text)];
    return PrimaryLangOf(GetSystemDefaultLangID()) == kLangKorean ? texts.korean : texts.english;
}

}  // namespace kivo::shell
