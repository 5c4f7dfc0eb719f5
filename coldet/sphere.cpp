// The two exported sphere tests: no model, no state.
#include <cmath>

#include "coldet.h"
#include "coldet_geometry.h"

using coldet::load3;
using coldet::Vec3;

extern "C" bool SphereRayCollision(const float* center, float radius, const float* origin, const float* direction,
                                   float* point) {
    if (center == nullptr || origin == nullptr || direction == nullptr) return false;
    // Non-finite input never hits.
    if (!coldet::allFinite(center, 3) || !coldet::allFinite(&radius, 1) || !coldet::allFinite(origin, 3) ||
        !coldet::allFinite(direction, 3)) {
        return false;
    }
    Vec3 o = load3(origin);
    Vec3 u = coldet::normalize(load3(direction));  // a zero direction becomes NaN
    Vec3 w = load3(center) - o;
    float along = coldet::dot(u, w);  // distance along the line to the point nearest the centre
    float disc = radius * radius - (coldet::dot(w, w) - along * along);
    // A grazing line (disc exactly 0) is a hit; NaN is not.
    if (!(disc >= 0.0f)) return false;
    float t = along - std::sqrt(disc);
    if (point != nullptr) coldet::store3(o + u * t, point);
    return true;
}

extern "C" bool SphereSphereCollision(const float* center1, float radius1, const float* center2, float radius2,
                                      float* point) {
    if (center1 == nullptr || center2 == nullptr) return false;
    if (!coldet::allFinite(center1, 3) || !coldet::allFinite(&radius1, 1) || !coldet::allFinite(center2, 3) ||
        !coldet::allFinite(&radius2, 1)) {
        return false;
    }
    Vec3 c1 = load3(center1);
    Vec3 c2 = load3(center2);
    Vec3 between = c2 - c1;
    float distanceSquared = coldet::dot(between, between);
    float reach = radius1 + radius2;
    // Spheres that only touch do not collide.
    if (!(reach * reach > distanceSquared)) return false;
    // On the first sphere, facing away from the second centre. Equal centres
    // leave no direction: the point is then not finite.
    Vec3 away = coldet::normalize(c1 - c2);
    if (point != nullptr) coldet::store3(c1 + away * radius1, point);
    return true;
}
