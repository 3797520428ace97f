// Uuencoding of attachments for plain-text messages.
#pragma once
#include <string>
#include <vector>

// The data lines between "begin" and the closing backquote line: 45 source bytes per line, each
// six-bit value 0 written as "`", every other v as the character 32 + v.
std::vector<std::string> UUEncodeLines(const std::string& data);
