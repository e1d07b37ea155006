// Identifiers of the program's resources.
#define IDI_KESTRO 101
