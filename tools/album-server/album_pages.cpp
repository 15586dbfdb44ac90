#include "album_pages.h"

#include <cstdio>

#include "gbk_text.h"

namespace {

// Page texts are written here in UTF-8 and sent in the page's own code page.
std::string Gbk(std::string_view utf8) {
    return Utf8ToGbk(utf8).value_or(std::string());
}

// Escapes bytes, never splitting a double-byte character: its trail byte is never one of
// the characters escaped here.
std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string PercentEncode(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string Head(std::string_view titleGbk) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"GBK\"><title>" + HtmlEscape(titleGbk) +
           "</title></head>\n<body>\n<h1>" + HtmlEscape(titleGbk) + "</h1>\n";
}

std::string Kilobytes(uint64_t nBytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f KB", static_cast<double>(nBytes) / 1024.0);
    return text;
}

}  // namespace

std::string AlbumPath(const Album& album) {
    return "/album/" + album.strKxuin + "/" + album.strId + "/";
}

std::string PicturePath(const Album& album, std::string_view nameGbk) {
    return AlbumPath(album) + PercentEncode(nameGbk);
}

std::string RenderIndexPage(const CAccountBook& book) {
    std::string page = Head(Gbk("相册列表"));
    page += "<ul>\n";
    for (const auto& album : book.Albums()) {
        page += "<li><a href=\"" + AlbumPath(album) + "\">" + HtmlEscape(album.strNameGbk) + "</a> (" +
                album.strKxuin + ")</li>\n";
    }
    page += "</ul>\n</body></html>\n";
    return page;
}

std::string RenderAlbumPage(const CAccountBook& book, const Album& album) {
    const auto pictures = book.Pictures(album);
    std::string page = Head(Gbk("相册：") + album.strNameGbk);
    page += "<p class=\"space\">" + Gbk("已使用：") + Kilobytes(book.UsedBytes(album)) + " / " +
            Kilobytes(album.nQuotaBytes) + "</p>\n";
    page += "<p class=\"count\">" + Gbk("图片：") + std::to_string(pictures.size()) + "</p>\n<ul>\n";
    for (const auto& picture : pictures) {
        const std::string link = PicturePath(album, picture.strNameGbk);
        page += "<li><a href=\"" + link + "\"><img src=\"" + link + "\" height=\"64\" alt=\"\"> " +
                HtmlEscape(picture.strNameGbk) + "</a> " + Kilobytes(picture.nBytes) + "</li>\n";
    }
    page += "</ul>\n<p><a href=\"/\">" + Gbk("返回") + "</a></p>\n</body></html>\n";
    return page;
}
