// MIME transfer encodings of the message writer: base64 and quoted-printable, line by line.
#pragma once
#include <string>
#include <vector>

// The lines of a text, ended by CR LF, CR or LF; a line end after the last line adds no empty one.
std::vector<std::string> SplitTextLines(const std::string& text);

// Base64 with the standard alphabet, 57 source bytes (76 characters) per line, "=" filled.
std::vector<std::string> EncodeBase64Lines(const std::string& data);

// Quoted-printable lines of one paragraph (a line of text without its line end): no line over
// 76 characters, soft breaks never inside "=XX", a blank or tab at the end encoded.
void EncodeQuotedPrintableParagraph(const std::string& paragraph, std::vector<std::string>& out);

// The same for a whole text: its paragraphs end at CR LF, CR or LF; a line end after the last
// paragraph adds no empty one.
std::vector<std::string> EncodeQuotedPrintableLines(const std::string& text);
