/* Offers several types at once as the Wayland clipboard selection, through wlr data control,
 * as a copying application would.
 *
 *   quillstack-wayland-clipboard-offer [--hang] TYPE=FILE [TYPE=FILE ...]
 *
 * Prints "ready" once the compositor has made it the selection, then answers requests until the
 * selection is taken over (exit status 0). With --hang it accepts requests but never writes or
 * closes the pipe, like a program that no longer responds. Exit status 2: bad command line or
 * unreadable file or no data control. Plain C on libwayland-client, so that it shares no code
 * with the program under test. */

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

#define MAX_OFFERS 16

static struct {
    const char* type;
    char* bytes;
    size_t size;
} offers[MAX_OFFERS];
static int offerCount;
static int hang;
static int cancelled;
static int selected;
static struct zwlr_data_control_manager_v1* manager;
static struct wl_seat* seat;
static struct zwlr_data_control_source_v1* ourSource;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    if (strcmp(interface, "zwlr_data_control_manager_v1") == 0) {
        manager = wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
    } else if (strcmp(interface, "wl_seat") == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    }
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {}

static void send(void* data, struct zwlr_data_control_source_v1* source, const char* type,
                 int32_t fd) {
    if (hang) {
        return; /* the descriptor stays open and empty */
    }
    for (int i = 0; i < offerCount; ++i) {
        if (strcmp(offers[i].type, type) == 0) {
            size_t done = 0;
            while (done < offers[i].size) {
                ssize_t put = write(fd, offers[i].bytes + done, offers[i].size - done);
                if (put <= 0) {
                    break;
                }
                done += (size_t)put;
            }
        }
    }
    close(fd);
}

static void cancel(void* data, struct zwlr_data_control_source_v1* source) {
    cancelled = 1;
}

static void dataOffer(void* data, struct zwlr_data_control_device_v1* device,
                      struct zwlr_data_control_offer_v1* offer) {}

static void selection(void* data, struct zwlr_data_control_device_v1* device,
                      struct zwlr_data_control_offer_v1* offer) {
    if (offer) {
        zwlr_data_control_offer_v1_destroy(offer);
        if (ourSource && !cancelled && !selected) {
            selected = 1;
            printf("ready\n");
            fflush(stdout);
        }
    }
}

static void finished(void* data, struct zwlr_data_control_device_v1* device) {
    cancelled = 1;
}

static void primarySelection(void* data, struct zwlr_data_control_device_v1* device,
                             struct zwlr_data_control_offer_v1* offer) {
    if (offer) {
        zwlr_data_control_offer_v1_destroy(offer);
    }
}

static char* readFile(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    char* bytes = NULL;
    *size = 0;
    for (size_t got = 1; file && got > 0; *size += got) {
        bytes = realloc(bytes, *size + 65536);
        got = fread(bytes + *size, 1, 65536, file);
    }
    if (file) {
        fclose(file);
    }
    return bytes;
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--hang") == 0) {
            hang = 1;
            continue;
        }
        char* equals = strchr(argv[i], '=');
        if (!equals || offerCount == MAX_OFFERS) {
            fprintf(stderr, "usage: %s [--hang] TYPE=FILE ...\n", argv[0]);
            return 2;
        }
        *equals = '\0';
        offers[offerCount].type = argv[i];
        offers[offerCount].bytes = readFile(equals + 1, &offers[offerCount].size);
        if (!offers[offerCount].bytes) {
            fprintf(stderr, "cannot read %s\n", equals + 1);
            return 2;
        }
        ++offerCount;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "no Wayland compositor\n");
        return 2;
    }
    static const struct wl_registry_listener registryListener = {global, globalRemove};
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat) {
        fprintf(stderr, "no wlr data control\n");
        return 2;
    }
    static const struct zwlr_data_control_device_v1_listener deviceListener = {
        dataOffer, selection, finished, primarySelection};
    struct zwlr_data_control_device_v1* device =
        zwlr_data_control_manager_v1_get_data_device(manager, seat);
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, NULL);
    wl_display_roundtrip(display);

    static const struct zwlr_data_control_source_v1_listener sourceListener = {send, cancel};
    ourSource = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(ourSource, &sourceListener, NULL);
    for (int i = 0; i < offerCount; ++i) {
        zwlr_data_control_source_v1_offer(ourSource, offers[i].type);
    }
    zwlr_data_control_device_v1_set_selection(device, ourSource);
    while (!cancelled && wl_display_dispatch(display) >= 0) {
    }
    wl_display_disconnect(display);
    return 0;
}
