#pragma once
// The editor page's picture of the bell families, taken from the kernel's own tables so the
// page never keeps a second copy: one JSON document, written to Resources/ui/families.json.
//
//   {"referenceNote":69,"referenceHz":440,"positionFloor":0.06,"families":[{"index":0,
//    "name":"Carillon","ringSeconds":9,"noiseAmount":0,"modes":[{"ratio":0.5,
//    "amplitude":0.58,"decay":0.16},...]},...]}
//
// Each family lists only the modes it uses; numbers are in shortest round-trip form.
#include <string>

namespace velmo::uidata {

std::string familiesJson();

}  // namespace velmo::uidata
