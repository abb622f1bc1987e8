#include "store/outlets.h"

StoreOutlets g_StoreOutlets;
