// The 42 exports of a module, declared with the types the plug-in interface gives them, so that
// a definition of another type does not compile. The frame defines the exports both modules
// serve alike (ModuleExports.cpp); a module defines the rest, where the modules differ.
#pragma once

#include "engine/PluginInterface.h"

#define QV_DECLARE_EXPORT(name, result, params) QV_EXPORT result WINAPI name params;
QV_EXPORT_LIST(QV_DECLARE_EXPORT)
#undef QV_DECLARE_EXPORT

inline QVBool ExportResult(bool value) { return value ? TRUE : FALSE; }
