/* A host program in plain C that links CONFIG.dll through its import
   library and the public header, as the product's programs do. */
#include <stdio.h>

#include "corvane_config.h"

int main(void) {
  int failures = 0;
  if (SetOpera("") != CORVANE_INVALID_OR_INTERFACE) {
    printf("SetOpera(\"\") did not refuse the empty address\n");
    ++failures;
  }
  if (ResetEudora("") != 2) {
    printf("ResetEudora(\"\") did not refuse the empty address\n");
    ++failures;
  }
  printf("%d passed, %d failed\n", 2 - failures, failures);
  return failures;
}
