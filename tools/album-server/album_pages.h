// The HTML pages that show what an album holds (code page 936, like the names in it).
#pragma once
#include <string>
#include <string_view>

#include "account_book.h"

std::string RenderIndexPage(const CAccountBook& book);
std::string RenderAlbumPage(const CAccountBook& book, const Album& album);

// Address of an album's page and of one of its pictures.
std::string AlbumPath(const Album& album);
std::string PicturePath(const Album& album, std::string_view nameGbk);
