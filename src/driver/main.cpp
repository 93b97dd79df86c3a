// kananet: evaluates kana keyboard layouts against a sample text. Run without arguments in a
// working directory holding kanasample.txt, layout/*.txt and result/.
#include "driver/batch.h"

int main() {
  return kananet::RunBatch();
}
