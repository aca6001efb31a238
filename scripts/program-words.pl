#!/usr/bin/perl
# Prints "WORD<TAB>FILE" for every program a script or build file calls: the words in command
# position of shell code (also inside `sh -c "..."` and CMake's COMMAND lines), the interpreters of
# shebang lines, find_program names and CMake's emulator. Comments call nothing and are skipped.
use strict;
use warnings;

my %prefix = map { $_ => 1 } (qw[if then do else elif while until time exec command sudo env nice timeout],
  qw[xargs xvfb-run type wine -v -P -a $sudo], "!", "{", "(");

sub shell_words {
    my ($code, $file) = @_;
    # Inner shell code of -c strings is code too.
    while ($code =~ /-c\s+(["'])(.*?)\1/g) { shell_words($2, $file); }
    $code =~ s/(["'])(?:\\.|(?!\1).)*\1/ Q /g;    # quoted text is data
    for my $segment (split /\|\||&&|[|;`]|\$\(|\(|\{|\bthen\b|\bdo\b|\belse\b/, $code) {
        my @w = split ' ', $segment;
        while (@w && ($prefix{$w[0]} || $w[0] =~ /^[A-Za-z_][A-Za-z0-9_]*=/ || $w[0] =~ /^-|^\d+[smh]?$/)) { shift @w; }
        next unless @w;
        my $word = $w[0];
        next if $word =~ /^[^A-Za-z\/]/ || ($word =~ m{/} && $word !~ m{^/});
        print "$word\t$file\n";
    }
}

for my $file (@ARGV) {
    open my $fh, '<', $file or die "$file: $!";
    my $cmake = $file =~ /CMakeLists\.txt$|\.cmake$/;
    my $shell = !$cmake && $file !~ /\.awk$/;
    my $first = 1;
    my $heredoc;
    while (my $line = <$fh>) {
        chomp $line;
        if ($first && $line =~ /^#!\s*(\S+)(?:\s+(\S+))?/) {
            my ($interpreter, $argument) = ($1, $2);
            print "$interpreter\t$file\n";
            print "$argument\t$file\n" if defined $argument && $interpreter =~ m{/env$};
            # Only shell scripts are read further: other languages call programs in their own way.
            $shell = ($argument // $interpreter) =~ m{(^|/)(ba)?sh$};
            $first = 0;
            next;
        }
        $first = 0;
        $shell or $cmake or last;
        if (defined $heredoc) {    # a here-document is data
            undef $heredoc if $line =~ /^\s*\Q$heredoc\E$/;
            next;
        }
        $heredoc = $1 if $line =~ /<<-?\s*['"]?(\w+)/;
        next if $line =~ /^\s*#/;
        if ($cmake) {
            shell_words($1, $file) while $line =~ /\bCOMMAND\s+(\S+)/g;
            print "$1\t$file\n" if $line =~ /CMAKE_CROSSCOMPILING_EMULATOR\s+(\S+?)\)/;
            if ($line =~ /find_program\(\s*\S+\s+NAMES\s+([^)]*?)(?:\s+REQUIRED)?\s*\)/) {
                print "$_\t$file\n" for split ' ', $1;
            }
            while ($line =~ /-c\s+"(.*?)"/g) { shell_words($1, $file); }
        } else {
            $line =~ s/\s+#.*$//;
            shell_words($line, $file);
        }
    }
}
