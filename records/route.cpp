#include "records/route.h"

#include <memory>
#include <utility>

FIO_Route::FIO_Route(FIO_Route&& other) noexcept
    : hostId(other.hostId),
      hostFlags(other.hostFlags),
      name(std::move(other.name)),
      points(std::exchange(other.points, {})) {}

FIO_Route& FIO_Route::operator=(FIO_Route&& other) noexcept {
  if (this != &other) {
    ClearPoints();
    hostId = other.hostId;
    hostFlags = other.hostFlags;
    name = std::move(other.name);
    points = std::exchange(other.points, {});
  }
  return *this;
}

FIO_Route::~FIO_Route() {
  ClearPoints();
}

void FIO_Route::ClearPoints() {
  for (FIO_TPEntry* point : points) delete point;
  points.clear();
}

void AppendRoutePoint(FIO_Route& route, const CStringA& name, float latitude, float longitude,
                      std::int32_t kind) {
  std::unique_ptr<FIO_TPEntry> point(new FIO_TPEntry);  // every field has its initial value
  point->name.assign(name.GetString(), static_cast<std::size_t>(name.GetLength()));
  point->latitude = latitude;
  point->longitude = longitude;
  point->kind = kind;
  route.points.push_back(point.get());
  point.release();
}
