// Stand-in for the chat client. The tests find its instances as children of
// the test process and read what runs from /proc; it only has to stay alive
// while they look, and ends by itself should a test not end it.
#include <unistd.h>

int main()
{
    sleep(30);
    return 0;
}
