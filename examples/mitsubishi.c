// A dump sketch's output for a MITSUBISHI remote, as pasted into an issue.
Protocol  : UNKNOWN
Code      : 0x4AC1 (16 Bits)
uint16_t rawData[33] = {256, 768,  256, 1536,  256, 768,  256, 1536,  256, 768,
    256, 768,  256, 1536,  256, 768,  256, 1536,  256, 768,  256, 768,
    256, 768,  256, 768,  256, 768,  256, 1536,  256, 1536,  256};  // UNKNOWN 4AC1
