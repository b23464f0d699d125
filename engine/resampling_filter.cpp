#include "engine/resampling_filter.h"

#include <cmath>

namespace velmo {

void buildResamplingFilter(float* table, double hostRate) {
    const double pi = 3.14159265358979323846;
    const double fc = std::fmin(hostRate / 48000.0, 1.0);
    for (int p = 0; p < VELMO_FILTER_PHASES; ++p) {
        float* row = table + p * VELMO_FILTER_TAPS;
        double sum = 0.0;
        for (int j = 0; j < VELMO_FILTER_TAPS; ++j) {
            const double x = fc * (static_cast<double>(p) / VELMO_FILTER_PHASES - (j - VELMO_FILTER_CENTRE));
            const double s = std::fabs(x) < 1e-12 ? 1.0 : std::sin(pi * x) / (pi * x);
            const double w = 0.5 - 0.5 * std::cos(2.0 * pi * j / (VELMO_FILTER_TAPS - 1));
            row[j] = static_cast<float>(w * fc * s);
            sum += row[j];
        }
        if (sum != 0.0) {
            for (int j = 0; j < VELMO_FILTER_TAPS; ++j) row[j] = static_cast<float>(row[j] / sum);
        }
    }
}

}  // namespace velmo
