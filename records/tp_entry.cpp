#include "records/tp_entry.h"

FIO_TPEntry::~FIO_TPEntry() = default;
