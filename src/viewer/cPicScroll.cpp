#include "viewer/cPicScroll.h"
