#include "samplehost.h"
