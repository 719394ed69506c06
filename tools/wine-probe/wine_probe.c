/* Proves that Wine really runs a 32-bit program: without the 32-bit loader,
 * wine starts an i686 program, prints nothing and still exits 0, so only
 * this line on standard output counts. */
#include <stdio.h>

int main(void) {
  puts("wine-probe: i686 runs");
  return 0;
}
