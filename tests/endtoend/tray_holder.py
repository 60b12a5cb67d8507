# Run under `brenmark-cli expose`: holding /dev/sr90 in one process, locks the
# tray and tries the holder's own eject and another program's, closes the
# device, lets the program given as arguments change the disc, then asks what
# changed. Prints "name=value" lines; an error as its errno name.
import errno, fcntl, os, subprocess, sys
EJECT, LOCKDOOR, MEDIA_CHANGED, TOCHDR = 0x5309, 0x5329, 0x5325, 0x5305
def call(name, action):
    try:
        result = action()
        print(f"{name}={result if isinstance(result, int) else 0}")
    except OSError as e:
        print(f"{name}={errno.errorcode[e.errno]}")
def program(name, argv):
    print(f"{name}={subprocess.run(argv, capture_output=True).returncode}")
fd = os.open("/dev/sr90", os.O_RDONLY | os.O_NONBLOCK)
call("lock", lambda: fcntl.ioctl(fd, LOCKDOOR, 1))
call("eject", lambda: fcntl.ioctl(fd, EJECT))
program("eject-program", ["eject", "-F", "/dev/sr90"])
call("toc-before", lambda: fcntl.ioctl(fd, TOCHDR, bytes(4)) and 0)
os.close(fd)
program("swap", sys.argv[1:])
fd = os.open("/dev/sr90", os.O_RDONLY | os.O_NONBLOCK)
call("changed", lambda: fcntl.ioctl(fd, MEDIA_CHANGED, 0))
call("changed-again", lambda: fcntl.ioctl(fd, MEDIA_CHANGED, 0))
print("toc-after=%d-%d" % tuple(fcntl.ioctl(fd, TOCHDR, bytes(4))[:2]))
os.close(fd)
program("eject-program-after", ["eject", "-F", "/dev/sr90"])
