// A decoder module loaded with dlopen and its 42 exports bound by name, as the player binds
// them.
#pragma once

#include <dlfcn.h>

#include "engine/PluginInterface.h"

struct QVExports {
#define QV_MEMBER(name, result, params) name##Proc name = nullptr;
  QV_EXPORT_LIST(QV_MEMBER)
#undef QV_MEMBER
};

class LoadedModule {
 public:
  explicit LoadedModule(const char* path, int flags = RTLD_NOW | RTLD_LOCAL) {
    library_ = dlopen(path, flags);
    if (library_ == nullptr) return;
#define QV_BIND(name, result, params) \
  exports_.name = reinterpret_cast<name##Proc>(dlsym(library_, #name));
    QV_EXPORT_LIST(QV_BIND)
#undef QV_BIND
  }
  ~LoadedModule() {
    if (library_ != nullptr) dlclose(library_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  bool AllBound() const {
    bool all = true;
#define QV_CHECK(name, result, params) all = all && exports_.name != nullptr;
    QV_EXPORT_LIST(QV_CHECK)
#undef QV_CHECK
    return all;
  }
  const QVExports& operator*() const { return exports_; }
  const QVExports* operator->() const { return &exports_; }

 private:
  void* library_ = nullptr;
  QVExports exports_;
};
