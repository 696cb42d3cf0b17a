/* qm32: the one public header of the client library (C linkage). */
#ifndef QM32_H
#define QM32_H
#endif
