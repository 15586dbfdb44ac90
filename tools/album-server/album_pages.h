// The HTML pages that show what an album holds (code page 936, like the names in it).
#pragma once
#include <map>
#include <string>
#include <string_view>

#include "account_book.h"

// With bUploadPages, each album also links to its upload page.
std::string RenderIndexPage(const CAccountBook& book, bool bUploadPages);
std::string RenderAlbumPage(const CAccountBook& book, const Album& album);
// The album's pictures and its space alone, for a page to show beside the control and reload
// when an upload batch has ended; the space in use is also given to scripts, in whole KB.
std::string RenderAlbumView(const CAccountBook& book, const Album& album);

// A page template with its {{NAME}} marks replaced by the values given; a mark without a
// value stays as it is.
std::string FillTemplate(std::string_view text, const std::map<std::string, std::string>& values);
// The text as the inside of a JavaScript string literal in an HTML page: quotes, backslashes,
// markup characters and control characters escaped, everything else kept.
std::string JsStringText(std::string_view text);
// Whole KB, rounded up: the page never tells the control there is more room than there is.
uint64_t KilobytesUp(uint64_t nBytes);

// Address of an album's page and of one of its pictures.
std::string AlbumPath(const Album& album);
std::string AlbumViewPath(const Album& album);
std::string UploadPagePath(const Album& album);
std::string PicturePath(const Album& album, std::string_view nameGbk);
