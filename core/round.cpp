#include "core/round.h"
