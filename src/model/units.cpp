#include "model/units.h"

UnitNames unitNamesOf(UnitSystem units) {
    switch (units) {
        case 1: return {"G", "in/sec", "in"};
        case 2: return {"G", "m/sec", "mm"};
        default: return {"m/sec^2", "m/sec", "mm"};
    }
}
