// Picture names as clients send them (code page 936), made safe to use as file names, and
// the kinds of picture a name and a file's first bytes stand for.
#pragma once
#include <optional>
#include <string>
#include <string_view>

// The last component of `name` (after '/' or '\', read character by character so that a
// double-byte character's 0x5C trail byte is not taken for a separator), refused when it is
// empty, starts with '.', is longer than 200 bytes, or holds a control byte, a byte that is
// not valid code page 936, or a character Windows does not allow in file names.
std::optional<std::string> SafePictureName(std::string_view name);

enum class PictureKind { None, Jpeg, Gif };

// What a name's extension promises: .jpg and .jpeg JPEG, .gif GIF, in any case; anything
// else is no picture to store or serve.
PictureKind PictureKindOfName(std::string_view name);
// What a file's first bytes show: FF D8 FF a JPEG, "GIF8" a GIF.
PictureKind PictureKindOfContent(std::string_view head);
// The Content-Type a picture of that kind is served with.
std::string_view ContentTypeOf(PictureKind kind);
