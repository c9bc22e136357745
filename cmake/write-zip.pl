#!/usr/bin/perl
# usage: write-zip.pl ZIP DIR NAME
# Writes ZIP holding the tree DIR in one folder NAME, the same bytes from the same files
# whoever makes it, wherever and whenever: entries in name order, each folder before what it
# holds; every entry's time SOURCE_DATE_EPOCH (the file's own when that is unset), written in
# UTC; modes 0755 for folders and programs, 0644 for the rest; no owner and no other extra
# field. CPack's own zip takes entries in the order the file system lists them and records
# the builder's user and group.
use strict;
use warnings;
use File::Find;
use IO::Compress::Zip qw($ZipError :zip_method);
use POSIX qw(tzset);

@ARGV == 3 or die "usage: $0 ZIP DIR NAME\n";
my ($zip, $dir, $name) = @ARGV;
# Zip times are local times: UTC, so that the time zone of the build is not in them.
$ENV{TZ} = 'UTC';
tzset();
my $epoch = length($ENV{SOURCE_DATE_EPOCH} // '') ? $ENV{SOURCE_DATE_EPOCH} : undef;
die "$0: SOURCE_DATE_EPOCH '$epoch' is not a number of seconds\n"
    if defined $epoch && $epoch !~ /^\d+$/;

my @entries;
find({ no_chdir => 1, wanted => sub {
    push @entries, substr($File::Find::name, length $dir) =~ s{^/}{}r if $_ ne $dir;
} }, $dir);

my $out = IO::Compress::Zip->new($zip, Name => "$name/", Method => ZIP_CM_STORE,
    Time => $epoch // (stat $dir)[9], ExtAttr => (040755 << 16) | 0x10)
    or die "$0: $zip: $ZipError\n";
for my $entry (sort @entries) {
    my $path = "$dir/$entry";
    my @stat = lstat $path or die "$0: $path: $!\n";
    my $time = $epoch // $stat[9];
    if (-d _) {
        $out->newStream(Name => "$name/$entry/", Method => ZIP_CM_STORE, Time => $time,
            ExtAttr => (040755 << 16) | 0x10) or die "$0: $ZipError\n";
        next;
    }
    -f _ or die "$0: $path is neither a file nor a folder\n";
    my $mode = $stat[2] & 0111 ? 0100755 : 0100644;
    $out->newStream(Name => "$name/$entry", Method => ZIP_CM_DEFLATE, Time => $time,
        ExtAttr => $mode << 16) or die "$0: $ZipError\n";
    open my $in, '<:raw', $path or die "$0: $path: $!\n";
    local $/;
    $out->print(scalar <$in>);
    close $in;
}
$out->close or die "$0: $zip: $ZipError\n";
