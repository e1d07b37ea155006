// Version information shared by the resource script.
#include "version.h"
#define KESTRO_COMPANY_NAME "Morvane"
#define KESTRO_PRODUCT_NAME "Kestro and IP Helper"
#define KESTRO_DESCRIPTION "IP helper for checking networked status. Start/stop services or run commands."
