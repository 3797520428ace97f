// The prepared catalogue of the main window's tests, built into this test program too.
#include "../mainwin/PreparedCatalogue.cpp"
