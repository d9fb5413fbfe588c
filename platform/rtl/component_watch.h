// Who is told of components destroyed while a piece of work holds pointers to
// components that code it calls (property setters, Loaded) may destroy. A watch
// hears of every component destroyed on its thread while it exists, before the
// component's own destructor does anything else; watches nest.
#pragma once

#include "rtl/Classes.h"

namespace vn_rtl {

class TComponentDestroyWatch {
 public:
  TComponentDestroyWatch() noexcept;
  virtual ~TComponentDestroyWatch();
  TComponentDestroyWatch(const TComponentDestroyWatch&) = delete;
  TComponentDestroyWatch& operator=(const TComponentDestroyWatch&) = delete;

  // Component is about to be destroyed; it must not be called back.
  virtual void Destroyed(const TComponent* Component) noexcept = 0;

 private:
  friend void ComponentDestroyed(const TComponent* Component) noexcept;
  TComponentDestroyWatch* FOuter;
};

// Called by TComponent's destructor: tells every watch of this thread.
void ComponentDestroyed(const TComponent* Component) noexcept;

}  // namespace vn_rtl
