#pragma once

#include <array>

namespace quillmere {

// Logarithm of an unnormalised density, with the caller's context.
using LogDensityFunction = double (*)(double x, void* context);

struct LogDensityBinding {
    void* context = nullptr;
    LogDensityFunction function = nullptr;
};

inline constexpr int noNode = -1;

// One node of the envelope; neighbours are slot indices (noNode for none).
struct HullNode {
    double x = 0.0;
    double logDensity = 0.0;
    double scaledDensity = 0.0;
    double cumulativeArea = 0.0;
    int evaluated = 0;
    int left = noNode;
    int right = noNode;
};

inline constexpr int envelopeCapacity = 100;

struct SamplingEnvelope {
    int nodeCount = 0;
    int nodeCapacity = envelopeCapacity;
    double peakLogDensity = 0.0;
    std::array<HullNode, envelopeCapacity> nodes{};
    double concavityAllowance = 1.0;
};

double scaledExp(double y, double peak);
double unscaledLog(double e, double peak);

int buildEnvelope(SamplingEnvelope& envelope, const std::array<double, 4>& abscissae, double lower,
                  double upper, const LogDensityBinding& binding);
HullNode drawFromEnvelope(const SamplingEnvelope& envelope, double u);
void insertNode(SamplingEnvelope& envelope, const HullNode& candidate,
                const LogDensityBinding& binding);
void normaliseEnvelope(SamplingEnvelope& envelope);
void placeIntersection(SamplingEnvelope& envelope, int node);
double pieceArea(const SamplingEnvelope& envelope, int node);

}  // namespace quillmere
