#include "cli/clirunner.h"
