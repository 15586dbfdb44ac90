#include "file_names.h"

namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xfe; }

bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xfe && c != 0x7f; }

bool IsForbiddenSingle(unsigned char c) {
    return c < 0x20 || c == 0x7f || c == 0x80 || c == 0xff || c == ':' || c == '*' || c == '?' || c == '"' ||
           c == '<' || c == '>' || c == '|';
}

}  // namespace

std::optional<std::string> SafePictureName(std::string_view name) {
    // First find where the last component starts, walking by character.
    size_t nStart = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (IsLead(c))
            ++i;
        else if (c == '/' || c == '\\')
            nStart = i + 1;
    }
    const std::string_view base = name.substr(nStart);
    if (base.empty() || base.front() == '.' || base.size() > 200) return std::nullopt;
    for (size_t i = 0; i < base.size(); ++i) {
        const auto c = static_cast<unsigned char>(base[i]);
        if (IsLead(c)) {
            if (i + 1 >= base.size() || !IsTrail(static_cast<unsigned char>(base[i + 1]))) return std::nullopt;
            ++i;
        } else if (IsForbiddenSingle(c)) {
            return std::nullopt;
        }
    }
    return std::string(base);
}

PictureKind PictureKindOfName(std::string_view name) {
    const size_t nDot = name.rfind('.');
    if (nDot == std::string_view::npos) return PictureKind::None;
    std::string ext(name.substr(nDot + 1));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext == "jpg" || ext == "jpeg") return PictureKind::Jpeg;
    if (ext == "gif") return PictureKind::Gif;
    return PictureKind::None;
}

PictureKind PictureKindOfContent(std::string_view head) {
    if (head.starts_with("\xff\xd8\xff")) return PictureKind::Jpeg;
    if (head.starts_with("GIF8")) return PictureKind::Gif;
    return PictureKind::None;
}

std::string_view ContentTypeOf(PictureKind kind) {
    switch (kind) {
    case PictureKind::Jpeg: return "image/jpeg";
    case PictureKind::Gif: return "image/gif";
    case PictureKind::None: break;
    }
    return "application/octet-stream";
}
