// A library with all but two of the driver's exports, for the test that koordin names what a
// library lacks. The functions are never called; only their names matter.

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT int FIO_DriverInfo() {
  return -1;
}
EXPORT int FIO_IsFileOfMyType() {
  return -1;
}
EXPORT int FIO_GetExtensions() {
  return -1;
}
EXPORT int FIO_TranslateFilename() {
  return -1;
}
EXPORT void FIO_InitDriver() {}
EXPORT void FIO_ExitDriver() {}
EXPORT int FIO_WriteTP() {
  return -1;
}
EXPORT int FIO_WriteHeader() {
  return -1;
}
EXPORT int FIO_ReadFDEntry() {
  return -1;
}
EXPORT int FIO_Flight2IGC() {
  return -1;
}
EXPORT int FIO_IGC2Flight() {
  return -1;
}
EXPORT int FIO_WriteDeclaration() {
  return -1;
}
EXPORT int FIO_ReadDeclaration() {
  return -1;
}
