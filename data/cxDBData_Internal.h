#pragma once
// Shared between the seams of the dataset-bound data controller.
#include "data/cxDBData.h"

// Whether AValueDef keeps the integer field AField's values as integers, so that a real of no integer the
// field holds would be rounded on the way in.
bool RefusesRealOfNoInteger(TField* AField, TcxValueDef* AValueDef);
