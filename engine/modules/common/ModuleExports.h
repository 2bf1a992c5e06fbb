// The 42 exports of a module, declared with the types the plug-in interface gives them, so that
// a definition of another type does not compile. The frame defines them all
// (ModuleExports.cpp).
#pragma once

#include "engine/PluginInterface.h"

#define QV_DECLARE_EXPORT(name, result, params) QV_EXPORT result WINAPI name params;
QV_EXPORT_LIST(QV_DECLARE_EXPORT)
#undef QV_DECLARE_EXPORT
