#ifndef BROWSER_ZOOM_STEPS_H_
#define BROWSER_ZOOM_STEPS_H_

// The page's zoom as browsers step it: 25 % to 500 % through the sizes a viewer knows from them.
// Factors are 1.0 for 100 %; levels are the engine's (factor = 1.2 ^ level).
namespace zoom_steps {

constexpr double kMinimum = 0.25;
constexpr double kMaximum = 5.0;

// The next size up or down from factor, which need not be one of the steps; the end steps stay.
double larger(double factor);
double smaller(double factor);
// One step larger (direction 1), smaller (-1), or back to 1.0 (0).
double next(double factor, int direction);
// A factor kept between the minimum and the maximum; 1.0 for anything that is not a number.
double bounded(double factor);

double levelOf(double factor);
double factorOf(double level);
// The whole percentage shown to the viewer.
int percentOf(double factor);

}  // namespace zoom_steps

#endif  // BROWSER_ZOOM_STEPS_H_
