// Where the server's answer to an upload is stored: a new file name in the temporary folder.
#pragma once
#include <string>

// The temporary folder followed by 8 random letters and digits, of no file that exists yet.
std::string MakeAnswerPath();
