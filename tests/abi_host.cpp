// A host's one include, compiled by the test old_abi_host_is_refused with each libstdc++ ABI.
#include "driver/fio_api.h"

int main() {
  FIO_TPEntry tp;
  return tp.name.empty() ? 0 : 1;
}
