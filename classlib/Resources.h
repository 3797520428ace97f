// Resources of the program file: strings, raw data, cursors and version information.
#pragma once
#include "Graphics.h"
#include <string>

// A string table entry; empty when there is none.
std::string LoadStr(unsigned id);
// The bytes of a resource (RCDATA unless another type is given); raises EResNotFound.
std::string LoadResourceData(const std::string& name, LPCSTR type = RT_RCDATA);
std::string LoadResourceData(int id, LPCSTR type = RT_RCDATA);
// Loads a cursor resource into the screen's cursor table under index; false when missing
// (the table then keeps the default cursor there).
bool LoadCursorIntoScreen(int index, const std::string& name);
// A value of a file's version information ("FileVersion", "ProductName", ...), in its first
// language; empty when the file has none.
std::string FileVersionValue(const std::string& path, const std::string& key);
// The bytes of a resource of a module (the running program, or a file loaded as data); empty
// when the module has no such resource.
std::string ModuleResourceData(HMODULE module, LPCSTR name, LPCSTR type);
// The icon group resource of a module (the running program, or a file loaded as data) as the
// bytes of an icon file, its images in the group's order; empty when the module has no such
// group or one of its images is missing.
std::string IconFileBytes(HMODULE module, const std::string& groupName);
