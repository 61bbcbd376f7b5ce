// The whole public face of the letterfreq library: include this, link with
// `pkg-config --cflags --libs letterfreq`.
//
//   letterfreq::Detector detector;  // the starter database
//   letterfreq::Answer answer = detector.detect("Guten Tag, wie geht es?");
//   std::cout << answer.language << ' ' << answer.confidence << '\n';
#ifndef LETTERFREQ_LETTERFREQ_H_
#define LETTERFREQ_LETTERFREQ_H_

#include "letterfreq/database.h"
#include "letterfreq/detector.h"
#include "letterfreq/error.h"
#include "letterfreq/sample.h"

#endif  // LETTERFREQ_LETTERFREQ_H_
