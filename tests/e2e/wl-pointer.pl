#!/usr/bin/perl
# Holds a virtual pointer on a wlroots compositor until the compositor goes or this is killed.
# A headless compositor has no input devices, and a seat without a pointer gives clients no
# pointer: with this one attached, the seat's cursor (swaymsg seat - cursor ...) reaches them.
# It speaks the Wayland wire protocol itself: the core modules are all it needs.
#
# usage: wl-pointer.pl (WAYLAND_DISPLAY and XDG_RUNTIME_DIR name the compositor's socket);
# prints "ready" once the compositor has the pointer.
use strict;
use warnings;
use Socket qw(AF_UNIX SOCK_STREAM pack_sockaddr_un);

$| = 1;
my $name = $ENV{WAYLAND_DISPLAY} or die "WAYLAND_DISPLAY is not set\n";
my $path = $name =~ m{^/} ? $name : "$ENV{XDG_RUNTIME_DIR}/$name";
socket(my $socket, AF_UNIX, SOCK_STREAM, 0) or die "socket: $!\n";
connect($socket, pack_sockaddr_un($path)) or die "$path: $!\n";

# Requests: object id, then size (header included) and opcode, then the arguments, each a
# 32-bit word; a string is its length with the terminating NUL, then its bytes padded to 4.
sub string {
    my $bytes = "$_[0]\0";
    return pack("L", length $bytes) . $bytes . "\0" x (-length($bytes) % 4);
}

sub request {
    my ($object, $opcode, $arguments) = @_;
    my $message = pack("LL", $object, (8 + length $arguments) << 16 | $opcode) . $arguments;
    syswrite($socket, $message) == length $message or die "writing to the compositor: $!\n";
}

sub read_bytes {
    my $count = shift;
    my $bytes = '';
    while (length $bytes < $count) {
        sysread($socket, $bytes, $count - length $bytes, length $bytes)
            or die "the compositor closed the connection\n";
    }
    return $bytes;
}

my $display = 1;
my ($registry, $done, $manager, $pointer) = (2, 3, 4, 5);

# The globals, up to the reply to a sync (wl_display.sync answers once all before it are sent).
request($display, 1, pack("L", $registry));  # get_registry
request($display, 0, pack("L", $done));      # sync
my %globals;
while (1) {
    my ($object, $word) = unpack "LL", read_bytes(8);
    my $body = read_bytes(($word >> 16) - 8);
    my $opcode = $word & 0xffff;
    if ($object == $display && $opcode == 0) {
        my (undef, $code, $length) = unpack "LLL", $body;
        die "compositor error $code: ", substr($body, 12, $length - 1), "\n";
    }
    if ($object == $registry && $opcode == 0) {  # global: name, interface, version
        my ($global, $length) = unpack "LL", $body;
        $globals{substr($body, 8, $length - 1)} = $global;
    }
    last if $object == $done;
}

my $interface = "zwlr_virtual_pointer_manager_v1";
defined $globals{$interface} or die "the compositor offers no $interface\n";
request($registry, 0, pack("L", $globals{$interface}) . string($interface) . pack("LL", 1, $manager));
request($manager, 0, pack("LL", 0, $pointer));  # create_virtual_pointer on the default seat
print "ready\n";

# Events are of no interest; the pointer lives as long as the connection.
1 while sysread($socket, my $ignored, 4096);
