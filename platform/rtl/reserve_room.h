// Room in a container before an insert that must not fail half way.
#pragma once

#include <cstddef>

// Makes room for one more element, so that the insert that follows cannot
// fail for want of memory after what comes before it was done (a hashed
// container may still allocate its node). Calling reserve(size() + 1) instead
// would fit the container to that size on every call (a vector reallocates,
// libstdc++'s hash tables rehash whenever the bucket count they compute
// differs), making n inserts quadratic; this grows by doubling.
template <class TContainer>
void ReserveOneMore(TContainer& Container) {
  const std::size_t Wanted = Container.size() + 1;
  if constexpr (requires { Container.bucket_count(); }) {
    if (static_cast<double>(Wanted) > static_cast<double>(Container.bucket_count()) * Container.max_load_factor())
      Container.reserve(2 * Wanted + 16);
  } else if (Wanted > Container.capacity()) {
    Container.reserve(2 * Wanted + 16);
  }
}
