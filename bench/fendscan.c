/* The floor for reading a KISS capture: read() the file in 1 MiB chunks and
 * count every FEND with memchr(). The whole-run benchmark times the decoder
 * against it.  usage: norvane-fendscan FILE */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: norvane-fendscan FILE\n");
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) {
        perror(argv[1]);
        return 1;
    }
    enum { Chunk = 1 << 20 };
    char* buffer = malloc(Chunk);
    long long fends = 0;
    ssize_t n;
    while ((n = read(fd, buffer, Chunk)) > 0)
        for (const char* p = buffer; (p = memchr(p, 0xC0, (size_t)(buffer + n - p))) != NULL; ++p)
            ++fends;
    printf("%lld\n", fends);
    free(buffer);
    close(fd);
    return n < 0;
}
