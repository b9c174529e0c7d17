#include "ParamSnapshot.h"

ParamSnapshotFields ParamSnapshot;
