// A module's own COM initialisation: entered once for the thread that initialises the module,
// in the multithreaded apartment, and left again only when that entry succeeded.
#pragma once

class ModuleCom {
 public:
  // False when COM refused for another reason than the thread's other apartment: the module
  // cannot be initialised.
  bool Initialise();
  void Release();
  // Whether COM may be used (DirectSound output needs it).
  bool Usable() const { return usable_; }

 private:
  int count_ = 0;
  bool usable_ = false;
};
