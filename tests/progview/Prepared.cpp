// The prepared catalogue of the main window's tests, shared here.
#include "../mainwin/PreparedCatalogue.cpp"
