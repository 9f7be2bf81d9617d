#include "db/Connection.h"
