#include "album_pages.h"

#include <algorithm>
#include <cstdio>

#include "gbk_text.h"

namespace {

// Page texts are written here in UTF-8 and sent in the page's own code page.
std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value_or(std::string()); }

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

std::string AlbumPath(const Album& album) { return "/album/" + album.strKxuin + "/" + album.strId + "/"; }

std::string AlbumViewPath(const Album& album) { return "/view/" + album.strKxuin + "/" + album.strId + "/"; }

std::string UploadPagePath(const Album& album) { return "/upload/" + album.strKxuin + "/" + album.strId + "/"; }

std::string PicturePath(const Album& album, std::string_view nameGbk) {
    return AlbumPath(album) + PercentEncode(nameGbk);
}

std::string RenderIndexPage(const CAccountBook& book, bool bUploadPages) {
    std::string page = Head(Gbk("相册列表"));
    page += "<ul>\n";
    for (const auto& album : book.Albums()) {
        page += "<li><a href=\"" + AlbumPath(album) + "\">" + HtmlEscape(album.strNameGbk) + "</a> (" + album.strKxuin +
                ")";
        if (bUploadPages) page += " <a href=\"" + UploadPagePath(album) + "\">" + Gbk("上传照片") + "</a>";
        page += "</li>\n";
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

uint64_t KilobytesUp(uint64_t nBytes) { return (nBytes + 1023) / 1024; }

std::string RenderAlbumView(const CAccountBook& book, const Album& album) {
    const auto pictures = book.Pictures(album);
    const uint64_t nUsed = book.UsedBytes(album);
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"GBK\"><title>" + HtmlEscape(album.strNameGbk) +
                       "</title>\n<style>body{margin:4px;font:12px sans-serif}figure{display:inline-block;"
                       "margin:4px;text-align:center}img{height:64px}</style></head>\n<body>\n";
    page += "<p class=\"space\" data-used-kb=\"" + std::to_string(KilobytesUp(nUsed)) + "\" data-quota-kb=\"" +
            std::to_string(album.nQuotaBytes / 1024) + "\">" + Gbk("已使用：") + Kilobytes(nUsed) + " / " +
            Kilobytes(album.nQuotaBytes) + Gbk("，图片：") + std::to_string(pictures.size()) + "</p>\n";
    for (const auto& picture : pictures) {
        const std::string link = PicturePath(album, picture.strNameGbk);
        page += "<figure><a href=\"" + link + "\" target=\"_blank\"><img src=\"" + link +
                "\" alt=\"\"></a><figcaption>" + HtmlEscape(picture.strNameGbk) + "</figcaption></figure>\n";
    }
    page += "</body></html>\n";
    return page;
}

std::string FillTemplate(std::string_view text, const std::map<std::string, std::string>& values) {
    std::string out;
    size_t nPos = 0;
    while (nPos < text.size()) {
        const size_t nOpen = text.find("{{", nPos);
        const size_t nClose = nOpen == std::string_view::npos ? nOpen : text.find("}}", nOpen + 2);
        if (nClose == std::string_view::npos) break;
        const auto value = values.find(std::string(text.substr(nOpen + 2, nClose - nOpen - 2)));
        out.append(text.substr(nPos, nOpen - nPos));
        if (value == values.end())
            out.append(text.substr(nOpen, nClose + 2 - nOpen));
        else
            out += value->second;
        nPos = nClose + 2;
    }
    out.append(text.substr(std::min(nPos, text.size())));
    return out;
}

std::string JsStringText(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == '"' || c == '\'' || c == '\\' || c == '<' || c == '>' || c == '&' || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}
